#!/bin/sh
# display.sh start|stop STATE WINEPREFIX WINE - the virtual X display of the Win32 front end's
# tests, as a ctest fixture. "start" ends a Wine server left in the prefix (its desktop would
# still point at an old display), starts Xvfb on a free display number, writes that number to
# STATE/display and readies the prefix; "stop" ends the prefix's Wine server and then Xvfb.
#
# The display has no window manager, so Wine is told to place its windows itself (X11 driver
# "Managed" off): it would otherwise wait, seconds at a time, for a manager's answer whenever
# a window is shown, hidden or minimised.
set -u
action=$1
state=$2
prefix=$3
wine=${4:-}
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

stop_wine() {
    [ -d "$prefix" ] && WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null
    WINEPREFIX="$prefix" "$wineserver" -w 2>/dev/null
    return 0
}

case $action in
start)
    mkdir -p "$state"
    stop_wine
    if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; fi
    rm -f "$state/display" "$state/xvfb.pid"
    # -displayfd writes the number of the display it took once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" \
        >"$state/xvfb.log" 2>&1 </dev/null &
    echo $! >"$state/xvfb.pid"
    i=0
    while [ ! -s "$state/display" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
            echo "display.sh: Xvfb did not start" >&2
            cat "$state/xvfb.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    echo "display :$(cat "$state/display")"
    if [ -n "$wine" ]; then
        DISPLAY=":$(cat "$state/display")" WINEPREFIX="$prefix" WINEDEBUG=-all \
            WINEDLLOVERRIDES=mscoree,mshtml= \
            "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            >"$state/wine-setup.log" 2>&1 || { cat "$state/wine-setup.log" >&2; exit 1; }
    fi
    ;;
stop)
    stop_wine
    if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; fi
    rm -f "$state/display" "$state/xvfb.pid"
    ;;
*)
    echo "usage: display.sh start|stop STATE WINEPREFIX [WINE]" >&2
    exit 2
    ;;
esac
