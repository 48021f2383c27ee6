#!/usr/bin/env bash
# SmokeTest.sh - the installed program, for real: installs the utility into a fresh prefix,
# starts it under xvfb-run, waits for its window, closes it with Esc and expects exit code 0.
#   SmokeTest.sh <build folder> <work folder>
set -euo pipefail

if [[ "${1:-}" == --inside ]]; then
    # Under the virtual display: $2 is the installed program.
    program=$2
    "$program" &
    pid=$!
    window=""
    for _ in $(seq 200); do
        window=$(xdotool search --onlyvisible --name '^Tamberon$' 2>/dev/null | head -n 1 || true)
        [[ -n "$window" ]] && break
        kill -0 "$pid" 2>/dev/null || { echo "smoke: the program ended before its window showed"; exit 1; }
        sleep 0.05
    done
    [[ -n "$window" ]] || { echo "smoke: no window within 10 s"; kill "$pid"; exit 1; }
    echo "smoke: window $window shown"
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers Escape
    status=0
    for _ in $(seq 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "smoke: still running 10 s after Esc"
        kill "$pid"
        exit 1
    fi
    wait "$pid" || status=$?
    echo "smoke: exit code $status"
    exit "$status"
fi

build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --component tamberon --prefix "$work/prefix" >/dev/null
test -x "$work/prefix/bin/tamberon"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" --inside "$work/prefix/bin/tamberon"
