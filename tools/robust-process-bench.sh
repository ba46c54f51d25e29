#!/usr/bin/env bash
# shellcheck disable=SC2016 # the sh -c scripts take their words as $1 and $2
# The robust decoder as a whole process, beside cat: a recording of MINUTES
# minutes (default 40) at 16-bit stereo 44,100 Hz, made by tavro-tape-encode
# from blocks of random bytes, is read once by cat to warm the cache; then,
# ROUNDS times (default 3) in turn,
#   cat FILE > /dev/null
#   tavro-tape-cli --robust -o /dev/null FILE
#   cat FILE | tavro-tape-cli --robust -o /dev/null -
# each under /usr/bin/time -v. Prints the best wall-clock time of each, its
# ratio to cat's, the processor time (user and system) of that round, and the
# largest peak memory (maximum resident set size). On a machine busy with
# other work the wall-clock times grow with the load; the processor times
# much less.
#
# Usage: tools/robust-process-bench.sh [BUILD_DIR] [MINUTES] [ROUNDS]
#   BUILD_DIR  the build folder holding cli/ and tools/encoder/ (build/default)
set -euo pipefail

build=${1:-build/default}
minutes=${2:-40}
rounds=${3:-3}
cli=$build/cli/tavro-tape-cli
encoder=$build/tools/encoder/tavro-tape-encode
for program in "$cli" "$encoder" /usr/bin/time; do
    if [[ ! -x $program ]]; then
        echo "robust-process-bench: $program is missing (build it, or install the package time)" >&2
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A block of 16,000 bytes lasts about 101 s on tape.
blocks=$(( (minutes * 60 + 100) / 101 ))
inputs=()
for ((k = 1; k <= blocks; ++k)); do
    head -c 16000 /dev/urandom > "$work/in$k.bin"
    inputs+=(--name "B$k" "$work/in$k.bin")
done
"$encoder" --bits 16 --channels 2 --gap 1 "${inputs[@]}" "$work/tape.wav"
file=$work/tape.wav
size=$(stat -c %s "$file")
cat "$file" > /dev/null

# Runs the command under /usr/bin/time -v; prints "SECONDS KIB CPU", or
# "failed 0 0" when it fails.
measure() {
    if ! /usr/bin/time -v -o "$work/time.txt" "$@" > /dev/null 2>&1; then
        echo "failed 0 0"
        return
    fi
    local elapsed rss user system
    elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    user=$(sed -n 's/.*User time (seconds): //p' "$work/time.txt")
    system=$(sed -n 's/.*System time (seconds): //p' "$work/time.txt")
    # m:ss.cc or h:mm:ss
    awk -v t="$elapsed" -v r="$rss" -v u="$user" -v y="$system" 'BEGIN {
        n = split(t, p, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + p[i];
        printf "%.3f %d %.2f\n", s, r, u + y }'
}

declare -A best rss cpu
names=(cat file pipe)
for name in "${names[@]}"; do best[$name]=999999; rss[$name]=0; cpu[$name]=0; done
for ((round = 0; round < rounds; ++round)); do
    for name in "${names[@]}"; do
        case $name in
            cat) read -r s k c < <(measure sh -c 'cat "$1" > /dev/null' sh "$file") ;;
            file) read -r s k c < <(measure "$cli" --robust -o /dev/null "$file") ;;
            pipe) read -r s k c < <(measure sh -c 'cat "$1" | "$2" --robust -o /dev/null -' sh \
                                    "$file" "$cli") ;;
        esac
        if [[ $s == failed ]]; then
            best[$name]=failed
        elif [[ ${best[$name]} != failed ]] &&
            awk -v a="${best[$name]}" -v b="$s" 'BEGIN { exit !(b < a) }'; then
            best[$name]=$s
            cpu[$name]=$c
        fi
        (( k > rss[$name] )) && rss[$name]=$k
    done
done

printf 'recording: %d min, 16-bit stereo 44,100 Hz, %.1f MB; best of %d, cache warm\n' \
    "$minutes" "$(awk -v b="$size" 'BEGIN { print b / 1e6 }')" "$rounds"
printf '  %-40s %9s %7s %9s %10s\n' command seconds "x cat" "cpu s" "peak KiB"
labels=([0]="cat FILE > /dev/null" [1]="tavro-tape-cli --robust FILE"
        [2]="cat FILE | tavro-tape-cli --robust -")
for i in 0 1 2; do
    name=${names[$i]}
    if [[ ${best[$name]} == failed ]]; then
        printf '  %-40s %9s\n' "${labels[$i]}" failed
        continue
    fi
    printf '  %-40s %9.3f %7.2f %9.2f %10d\n' "${labels[$i]}" "${best[$name]}" \
        "$(awk -v a="${best[$name]}" -v c="${best[cat]}" 'BEGIN { print a / c }')" \
        "${cpu[$name]}" "${rss[$name]}"
done
