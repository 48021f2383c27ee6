#!/bin/sh
# InstallerTest.sh CPACK BUILD WORK WINE - builds the installer and the ZIP of the build folder
# BUILD (cpack), then, in a new Wine prefix under WORK, on $DISPLAY: installs silently (/S), finds the
# program, the Start-menu shortcut and the entry in the system's program list, starts the
# installed program (SmokeTest.sh: its window shows, Esc ends it with exit code 0), uninstalls
# silently and finds nothing left behind.
set -u
cpack=$1
build=$2
work=$3
wine=$4
here=$(cd "$(dirname "$0")" && pwd)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
prefix=$work/prefix
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

fail() {
    echo "InstallerTest: $1" >&2
    "$wineserver" -k 2>/dev/null
    exit 1
}
# Runs a Windows program and waits until the prefix is idle again (an uninstaller goes on in a
# copy of itself; the registry reaches its files when the server ends).
run() {
    "$wine" "$@" >"$work/run.log" 2>&1 || fail "$* failed: $(cat "$work/run.log")"
    "$wineserver" -w
}
in_program_list() {
    grep -qi 'CurrentVersion\\\\Uninstall\\\\Tamberon\]' "$prefix/system.reg"
}

"$wineserver" -k 2>/dev/null
rm -rf "$work"
mkdir -p "$work/packages" || exit 1
(cd "$build" && "$cpack" -B "$work/packages") >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
installer=$(ls "$work"/packages/tamberon-*-win*.exe 2>/dev/null | head -n 1)
zip=$(ls "$work"/packages/tamberon-*-win*.zip 2>/dev/null | head -n 1)
[ -n "$installer" ] || fail "no installer built"
[ -n "$zip" ] || fail "no ZIP built"
python3 -m zipfile -l "$zip" | grep -q '/tamberon\.exe ' || fail "the ZIP holds no tamberon.exe"
echo "InstallerTest: built $(basename "$installer") and $(basename "$zip")"

run "$installer" /S
program=$(find "$prefix/drive_c" -ipath '*/Tamberon/tamberon.exe' | head -n 1)
[ -n "$program" ] || fail "tamberon.exe is not installed"
folder=$(dirname "$program")
[ -f "$folder/Uninstall.exe" ] || fail "no uninstaller beside the program"
shortcut=$(find "$prefix/drive_c" -ipath '*/Start Menu/Programs/Tamberon/Tamberon.lnk' | head -n 1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
in_program_list || fail "the uninstaller is not in the system's program list"
echo "InstallerTest: installed $program, shortcut $shortcut"

sh "$here/SmokeTest.sh" "$wine" "$program" || fail "the installed program failed its smoke test"
"$wineserver" -w

run "$folder/Uninstall.exe" /S
[ ! -e "$folder" ] || fail "left behind: $(find "$folder")"
[ ! -e "$shortcut" ] || fail "left behind: $shortcut"
[ ! -e "$(dirname "$shortcut")" ] || fail "left behind: $(dirname "$shortcut")"
! in_program_list || fail "left behind: the entry in the system's program list"
echo "InstallerTest: uninstalled, nothing left behind"
rm -rf "$prefix"
