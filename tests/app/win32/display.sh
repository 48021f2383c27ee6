#!/bin/sh
# display.sh start|stop STATE WINEPREFIX - the virtual X display of the Win32 front end's tests,
# as a ctest fixture. "start" ends a Wine server left in the prefix (its desktop would still
# point at an old display), starts Xvfb on a free display number and writes that number to
# STATE/display; "stop" ends the prefix's Wine server and then Xvfb.
set -u
action=$1
state=$2
prefix=$3
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
    ;;
stop)
    stop_wine
    if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null; fi
    rm -f "$state/display" "$state/xvfb.pid"
    ;;
*)
    echo "usage: display.sh start|stop STATE WINEPREFIX" >&2
    exit 2
    ;;
esac
