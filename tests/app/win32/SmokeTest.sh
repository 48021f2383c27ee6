#!/bin/sh
# SmokeTest.sh RUNNER... PROGRAM - starts PROGRAM through the runner (Wine) on $DISPLAY, waits for
# its window "Tamberon", presses Esc on it as a user would (xdotool) and expects the program to
# end with exit code 0 within a few seconds.
set -u
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
"$@" >"$out/stdout" 2>"$out/stderr" &
pid=$!
fail() {
    echo "SmokeTest: $1" >&2
    kill "$pid" 2>/dev/null
    cat "$out/stdout" "$out/stderr" >&2
    exit 1
}
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tamberon$' | head -n 1)
[ -n "$window" ] || fail "no window named Tamberon within 60 s"
xdotool windowfocus --sync "$window" key Escape || fail "could not press Esc"
i=0
while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    [ $i -le 100 ] || fail "still running 10 s after Esc"
    sleep 0.1
done
wait "$pid"
status=$?
[ $status -eq 0 ] || fail "exit code $status after Esc, expected 0"
echo "SmokeTest: window shown, Esc ended it with exit code 0"
