#!/bin/sh
# run-bench.sh BENCH WINDOWS_BUILD [RUNS] - the Win32 front end's start and exit under Wine on a
# virtual display: BENCH is the bench preset's tamberon_start_bench, WINDOWS_BUILD the build
# folder of a Windows preset (build/mingw or build/mingw32) that holds app/win32/tamberon.exe and
# bench/win32/bare_dialog_win32.exe.
#
# The display and prefix are the Win32 tests' own (tests/app/win32/display.sh: Xvfb, and Wine
# placing its windows itself, as there is no window manager), the prefix a private one in
# WINDOWS_BUILD. The Wine server is started first and kept for the whole run (-p), so that no
# run pays for the prefix's start-up; it and Xvfb are ended when the run ends.
set -u
bench=$1
build=$(cd "$2" && pwd) || exit 1
runs=${3:-20}
here=$(cd "$(dirname "$0")" && pwd)
display_sh="$here/../../tests/app/win32/display.sh"
# The build's own Wine loader (wine64 for x64, the 32-bit wine for x86), else wine64.
wine=$(sed -n 's/^YRAPI_WINE:FILEPATH=//p' "$build/CMakeCache.txt" 2>/dev/null)
[ -n "$wine" ] || wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
prefix="$build/wineprefix-bench"
state=$(mktemp -d) || exit 1
trap '/bin/sh "$display_sh" stop "$state" "$prefix"; rm -rf "$state"' EXIT INT TERM
/bin/sh "$display_sh" start "$state" "$prefix" "$wine" >/dev/null || exit 1
DISPLAY=":$(cat "$state/display")"
WINEPREFIX="$prefix"
WINEDEBUG=-all
WINEDLLOVERRIDES=mscoree,mshtml=
export DISPLAY WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
"$wineserver" -p
"$bench" --wine "$wine" "$build/app/win32/tamberon.exe" "$build/bench/win32/bare_dialog_win32.exe" \
    "$runs"
