#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan) and runs each for a bounded time, starting from
# its checked-in seed corpus. Any crash, leak or out-of-bounds access fails the run.
#   scripts/fuzz.sh [seconds per target, default 25]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}

cmake --preset fuzz -DYRAPI_WERROR=ON >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

shopt -s nullglob
targets=(build/fuzz/fuzz/fuzz_*)
if [[ ${#targets[@]} -eq 0 ]]; then
    echo "fuzz: no targets built"
    exit 0
fi
for target in "${targets[@]}"; do
    name=$(basename "$target")
    work=$(mktemp -d)
    # Work on a copy: the fuzzer adds what it finds to its corpus folder.
    [[ -d "fuzz/corpus/$name" ]] && cp -r "fuzz/corpus/$name/." "$work/"
    echo "== fuzz: $name for ${seconds}s"
    status=0
    (cd "$work" && "$OLDPWD/$target" -max_total_time="$seconds" -rss_limit_mb=4096 \
        "$work" >"$work.log" 2>&1) || status=$?
    tail -n 3 "$work.log"
    rm -rf "$work" "$work.log"
    [[ $status -eq 0 ]] || { echo "fuzz: $name failed"; exit 1; }
done
echo "fuzz: all targets ran clean"
