#!/usr/bin/env bash
# Builds the default configuration and runs the utility.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
exec build/default/app/yrapi_demo "$@"
