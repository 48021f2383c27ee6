#!/usr/bin/env bash
# Installs the Debian packages this project needs to build, test, fuzz and benchmark, and only
# those that are missing. Fast when everything is present. Needs root (or sudo) to install;
# otherwise it prints the one apt-get line to run.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config       # compiler and build
    clang libclang-rt-14-dev               # libFuzzer targets and their runtime
    libgtest-dev libgmock-dev              # unit tests
    libbenchmark-dev libspdlog-dev         # benchmarks (spdlog: the reference logger)
    libcurl4-openssl-dev                   # the HTTP exchange
    python3 openssl                        # third-party HTTP/TLS servers in the tests
    clang-format                           # formatting checks
    xz-utils                               # unpacking a package index (below)
    # The Tamberon utility: Qt 6 Widgets and the X connection of its display check; a virtual
    # display and key presses for its smoke test; its Debian package (cpack with
    # dpkg-shlibdeps, which needs file) and desktop entry check; a font for offscreen renders;
    # screenshots of the real window (ImageMagick's import).
    qt6-base-dev libxcb1-dev
    xvfb xauth xdotool imagemagick
    dpkg-dev file desktop-file-utils
    fonts-dejavu-core
)
# The Windows builds (mingw, mingw32 presets): the cross compilers with std::thread, their
# headers, GoogleTest's sources to build for them, Wine to run their tests (64-bit, and the
# i386 package with the 32-bit loader), NSIS for the installers, and rsvg-convert to draw the
# icon's sizes from its SVG (scripts/make-ico.py).
packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64 googletest wine64)
packages+=(nsis librsvg2-bin)
# Wanted, not required here: without the 32-bit Wine the mingw32 tests cannot run (and
# scripts/test.sh then stops there), but a mirror that cannot serve the i386 packages for the
# moment should not stop everything else from being installed.
wanted=(wine32:i386)

installed() {
    [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" == "install ok installed" ]]
}
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
missing_wanted=()
for p in "${wanted[@]}"; do installed "$p" || missing_wanted+=("$p"); done
[[ ${#missing[@]} -eq 0 && ${#missing_wanted[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]} ${missing_wanted[*]}"
if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    as_root=(sudo)
else
    echo "setup: cannot install as $(id -un). Run:" >&2
    echo "  sudo dpkg --add-architecture i386 && sudo apt-get update &&" \
        "sudo apt-get install -y ${missing[*]} ${missing_wanted[*]}" >&2
    [[ ${#missing[@]} -eq 0 ]] && exit 0  # only wanted ones missing: go on without them
    exit 1
fi
apt_get=("${as_root[@]}" apt-get)
export DEBIAN_FRONTEND=noninteractive
# The 32-bit Wine comes from the i386 architecture, which a fresh amd64 system does not list.
added_i386=0
if [[ ${#missing_wanted[@]} -gt 0 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
    added_i386=1
fi
# A list that fails to download (a mirror in the middle of a sync) is reported; the install
# then decides with the lists at hand.
"${apt_get[@]}" update -qq || echo "setup: apt-get update reported errors (above); going on" >&2

# Debian's mirror here serves an i386 security index older than its signed Release file names
# (apt refuses it: "File has unexpected size ... Mirror sync in progress?"), and without it the
# i386 libraries cannot match the versions of their amd64 twins, so wine32 cannot install. A
# copy whose SHA-256 is listed below was checked by hand against the signed amd64 index of the
# same suite (same versions but for kernel packages); that exact copy, and no other, is put in
# place of the list apt could not fetch. The packages are then checked against its hashes.
known_stale_indexes=(
    # debian-security bookworm-security main binary-i386 Packages.xz, 374820 bytes
    11ef4070d746c2149a945405099a742adba2a5e9bc46c762d8a2586cb40a6905
)
use_known_stale_i386_lists() {
    local uri file tmp sum placed=0
    while read -r uri file; do
        compgen -G "${file}*" >/dev/null && continue  # apt has this list
        tmp=$(mktemp)
        if /usr/lib/apt/apt-helper download-file "${uri}.xz" "$tmp" >/dev/null 2>&1; then
            sum=$(sha256sum "$tmp" | cut -d' ' -f1)
            if [[ " ${known_stale_indexes[*]} " == *" $sum "* ]]; then
                echo "setup: using the checked copy of ${uri}.xz the mirror serves" >&2
                xz -dc "$tmp" | "${as_root[@]}" tee "$file" >/dev/null
                placed=1
            fi
        fi
        rm -f "$tmp"
    done < <(apt-get indextargets --no-release-info --format '$(URI) $(FILENAME)' \
        'Created-By: Packages' 'Architecture: i386')
    # apt reads the list in place (its release file is unchanged, so nothing is fetched again).
    if [[ $placed -eq 1 ]]; then "${apt_get[@]}" update -qq >/dev/null 2>&1 || true; fi
}
if [[ ${#missing[@]} -gt 0 ]]; then
    "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
if [[ ${#missing_wanted[@]} -gt 0 ]]; then use_known_stale_i386_lists; fi
if [[ ${#missing_wanted[@]} -gt 0 ]] &&
    ! "${apt_get[@]}" install -y -qq --no-install-recommends "${missing_wanted[@]}"; then
    echo "setup: could not install ${missing_wanted[*]}: the 32-bit Windows tests cannot" \
        "run here (scripts/test.sh stops at mingw32 unless YRAPI_ALLOW_UNRUN=1)" >&2
    # Leave the machine's architectures as they were: a later apt-get update elsewhere should
    # not trip over the i386 lists that could not be had.
    if [[ $added_i386 -eq 1 ]]; then "${as_root[@]}" dpkg --remove-architecture i386 || true; fi
fi
