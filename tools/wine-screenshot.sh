# shellcheck shell=bash
# The part of tools/screenshot-windows*.sh that is the same for every window:
# sourced after tools/wine-env.sh.
#
#   wine_screenshot_start            installs ImageMagick and the X utilities,
#                                    chooses the preset, builds the deps,
#                                    starts Wine; sets $preset, $build, $deps
#   wine_screenshot_take TITLE OUTPUT SECONDS LOG PID WHAT
#                                    waits up to SECONDS for the test (PID,
#                                    writing LOG) to create $TAVRO_TEST_SCREENSHOT_FLAG,
#                                    captures the window titled TITLE into
#                                    OUTPUT and lets the test finish; WHAT
#                                    names what is waited for in messages

wine_screenshot_start() {
    wine_env_install imagemagick x11-utils nlohmann-json3-dev "$@"
    for tool in import xwininfo; do
        command -v "$tool" >/dev/null 2>&1 || wine_env_fail "$tool not found after installing"
    done
    wine_env_choose_preset windows-i686 fallback
    preset=$WINE_ENV_PRESET
    # For the script that sources this.
    # shellcheck disable=SC2034
    build=build/$preset
    # shellcheck disable=SC2034
    deps=$(tools/build-windows-deps.sh "$preset")
    trap wine_env_stop EXIT
    wine_env_start
}

wine_screenshot_take() {
    local title=$1 output=$2 seconds=$3 log=$4 pid=$5 what=$6
    local flag=$TAVRO_TEST_SCREENSHOT_FLAG tries=0 window
    until [ -e "$flag" ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            cat "$log" >&2
            wine_env_fail "the tests ended before $what"
        fi
        tries=$((tries + 1))
        [ "$tries" -lt $((seconds * 10)) ] || wine_env_fail "not $what within $seconds s"
        sleep 0.1
    done
    window=$(xwininfo -root -tree | awk -v title="\"$title\"" 'index($0, title) { print $1; exit }')
    [ -n "$window" ] || wine_env_fail "the window \"$title\" was not found"
    sleep 0.5 # let the last pictures and texts paint
    mkdir -p "$(dirname "$output")"
    import -window "$window" "$output"
    rm -f "$flag"
    wait "$pid" || {
        cat "$log" >&2
        wine_env_fail "the tests failed"
    }
    grep -q "checks passed" "$log" || {
        cat "$log" >&2
        wine_env_fail "the tests did not pass"
    }
    echo "screenshot: $output"
}
