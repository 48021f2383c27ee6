#!/usr/bin/env bash
# Builds and runs every test: the unit tests in the default, asan (ASan+UBSan) and tsan
# (ThreadSanitizer) builds, the install test, and each fuzz target for a short bounded time.
# The Windows builds too: mingw (64-bit) and mingw32 (32-bit), their tests under Wine (the
# native front end's on a virtual display, its installers installed and uninstalled). A build
# whose tests cannot run here (no 32-bit Wine) fails the run, unless YRAPI_ALLOW_UNRUN=1.
# Installs missing Debian packages first (scripts/setup.sh). Exits non-zero on any failure.
#   YRAPI_PRESETS="default"    run only some of the builds
#   YRAPI_FUZZ_SECONDS=25      time per fuzz target (0 skips fuzzing)
#   YRAPI_ALLOW_UNRUN=1        a Windows build without its Wine: build it, run its host checks
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)
presets=${YRAPI_PRESETS:-"default asan tsan mingw mingw32"}

echo "== clang-format"
git ls-files -- '*.h' '*.cpp' | xargs clang-format --dry-run --Werror

for preset in $presets; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" -DYRAPI_WERROR=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset: tests"
    # A cross build without an emulator for its target (32-bit Wine) registers only the checks
    # that run on the host (the program's import table).
    if grep -q '^YRAPI_TESTS_RUNNABLE:INTERNAL=OFF' "build/$preset/CMakeCache.txt" 2>/dev/null; then
        if [[ "${YRAPI_ALLOW_UNRUN:-0}" != 1 ]]; then
            echo "$preset: no Wine for this target here (scripts/setup.sh said why);" \
                "its tests cannot run. YRAPI_ALLOW_UNRUN=1 builds it without them." >&2
            exit 1
        fi
        echo "$preset: built; no Wine for this target here, its Windows tests not run"
    fi
    # Most tests spend their time waiting on threads and timers, so run more than one per core.
    # (The Wine builds' test presets give a failed test one more try: a Wine process start now
    # and then fails before main. Native and sanitizer builds never retry.)
    ctest --preset "$preset" -j $((jobs * 2))
done

if [[ "${YRAPI_FUZZ_SECONDS:-25}" != 0 ]]; then
    scripts/fuzz.sh "${YRAPI_FUZZ_SECONDS:-25}"
fi
