# shellcheck shell=bash disable=SC2034,SC2207,SC2016 # the idioms of bash-completion
# Bash completion for tavro-tape-cli and tavro-tape-encode, installed under
# each program's name where bash-completion looks for completions.
#
# The options are taken from the program's own --help (its usage line and its
# list of options), so that a new option needs no change here. An option's
# value is completed from the table in _tavro_tape (options with a few fixed
# values) or else from the way --help shows it after the option:
#   --mode a|b|c        the listed values
#   --report FILE.html  file names (any placeholder naming a FILE, DIR or PATH)
#   --rate N            nothing (any other placeholder in capitals)
# and an option shown without a placeholder takes no value.
# --device offers the numbers that --list-devices shows, --keep FLAC and WAV
# files.
# Paths: recordings (the audio files libsndfile reads, by extension) for
# tavro-tape-cli, the takes of --merge too (--merge itself comes from --help
# like every option), and "-" for standard input; any file for
# tavro-tape-encode, whose input is any file of bytes.

# How the --help of program $1 shows the value of option $2: the word after
# "$2 " or "$2=" at its first such mention (empty when there is none).
_tavro_tape_value_of()
{
    LC_ALL=C "$1" --help 2>/dev/null |
        grep -oE -e "(^|[[ ,])$2[ =][^] ,]+" | head -n 1 | sed -E "s/^.*$2[ =]//"
}

_tavro_tape()
{
    local cur prev words cword split
    _init_completion -s || return

    # Options whose few values --help does not list one by one.
    local values=
    case $prev in
        --device)
            # The numbers of the input devices (names may hold spaces).
            values=$("$1" --list-devices 2>/dev/null | sed -nE 's/^[ *]([0-9]+): .*/\1/p')
            ;;
        --keep)
            _filedir '@(flac|wav)'
            return
            ;;
        --rate) values='44100 48000 96000' ;;
        --bits) values='8 16 24 32 64' ;;
        --channels) values='1 2' ;;
        --other) values='copy silence noise' ;;
        --highpass-order) values='1 2 3 4' ;;
    esac
    if [[ -n $values ]]; then
        COMPREPLY=($(compgen -W "$values" -- "$cur"))
        return
    fi

    if [[ $prev == -?* && $prev != -- ]]; then
        local value
        value=$(_tavro_tape_value_of "$1" "$prev")
        case $value in
            *FILE* | *DIR* | *PATH*)
                _filedir
                return
                ;;
            [A-Z]*)
                return
                ;;
            *'|'*)
                COMPREPLY=($(compgen -W "${value//|/ }" -- "$cur"))
                return
                ;;
        esac
    fi
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$({ _parse_help "$1"; _parse_usage "$1" --help; } | sort -u) -' \
            -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    case ${1##*/} in
        tavro-tape-cli) _filedir '@(wav|flac|w64|rf64|aif|aiff|aifc|caf|au|ogg|oga|opus|mp3)' ;;
        *) _filedir ;;
    esac
} &&
    complete -F _tavro_tape tavro-tape-cli tavro-tape-encode

# ex: filetype=sh
