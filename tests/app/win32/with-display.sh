#!/bin/sh
# with-display.sh STATE COMMAND [ARG...] - runs COMMAND on the display that display.sh started
# (its number is in STATE/display).
state=$1
shift
if [ ! -s "$state/display" ]; then
    echo "with-display.sh: no display (run the fixture win32.display.start first)" >&2
    exit 1
fi
DISPLAY=":$(cat "$state/display")"
export DISPLAY
exec "$@"
