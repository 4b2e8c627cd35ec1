#!/usr/bin/env bash
# Builds the benchmarks (Release, build/bench), prepares knowledge bases of
# 1,000 to 1,000,000 entries in build/bench/data (kept for later runs) and
# prints one table. Sizes may be given: ./scripts/bench.sh 1000 100000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DTARSEL_BENCH=ON -DBUILD_TESTING=OFF -DTARSEL_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tarsel-bench >/dev/null

# The start-up figure runs the window program without a display.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
"$build/bench/tarsel-bench" run "$build/data" "$@"
