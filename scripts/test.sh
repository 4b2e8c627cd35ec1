#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

build="$root/build/test"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=Debug -DTARSEL_SANITIZE=ON -DTARSEL_WERROR=ON -DTARSEL_BUILD_GUI=ON -DBUILD_TESTING=ON
cmake --build "$build" --parallel "$(nproc)"

# The window tests run without a display and without a session bus.
export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
cd "$build"
ctest --output-on-failure --timeout 300 "$@"
