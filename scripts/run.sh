#!/usr/bin/env bash
# Builds the default configuration and runs the utility, Tamberon, on the desktop. Without a
# display it says so on standard error and exits with 1 (run it under xvfb-run there).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
exec build/default/app/qt/tamberon "$@"
