# Sourced by every script that runs Windows programs with windows or message
# boxes under Wine: finds the X display they use, or starts a private Xvfb.
#
#   display_start [--own]   use DISPLAY when it is set (unless --own), else
#                           start Xvfb on the first free number of
#                           VELMORA_DISPLAY_RANGE ("FIRST-LAST", 90-120 by
#                           default) and export DISPLAY and
#                           VELMORA_NO_WINDOW_MANAGER
#   display_stop            end the Xvfb that display_start started, if any
#
# Several developers share the machine, so a number is taken only when
# Xvfb itself could lock it: a server that exits at once lost the number to
# someone else, and the next one is tried.

display_pid=""

display_start() {
    if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != --own ]; then
        return 0
    fi
    local range=${VELMORA_DISPLAY_RANGE:-90-120} n
    if ! [[ $range =~ ^[0-9]+-[0-9]+$ ]]; then
        echo "VELMORA_DISPLAY_RANGE must read FIRST-LAST, not '$range'" >&2
        return 1
    fi
    for n in $(seq "${range%-*}" "${range#*-}"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        display_pid=$!
        if display_ready "$n"; then
            export DISPLAY=":$n"
            # A bare Xvfb has no window manager to wait for (see wine-run).
            export VELMORA_NO_WINDOW_MANAGER=1
            return 0
        fi
        kill "$display_pid" 2>/dev/null || true
        display_pid=""
    done
    echo "could not start Xvfb on a free display of $range (VELMORA_DISPLAY_RANGE)" >&2
    return 1
}

# True once display N is served by the Xvfb just started (its lock file names
# that process); false when that server has exited, having lost the number to
# another, or after 5 s.
display_ready() {
    local _
    for _ in $(seq 50); do
        kill -0 "$display_pid" 2>/dev/null || return 1
        if [ -e "/tmp/.X11-unix/X$1" ] &&
            [ "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" = "$display_pid" ]; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

display_stop() {
    [ -z "$display_pid" ] || kill "$display_pid" 2>/dev/null || true
    display_pid=""
}
