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
# headers, GoogleTest's sources to build for them, and Wine to run their tests.
packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64 googletest wine64)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    apt_get=(apt-get)
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    apt_get=(sudo apt-get)
else
    echo "setup: cannot install as $(id -un). Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${apt_get[@]}" update -qq
"${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
