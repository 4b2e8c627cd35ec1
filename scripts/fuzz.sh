#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build/fuzz and
# runs each of them, one after the other, for N seconds (default 10):
#
#   ./scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Each target starts from its stored cases in
# tests/engine/data/fuzz_regressions/<target>/ (plus the files of data/Base/
# for the file readers) and keeps its growing corpus in build/fuzz/corpus/.
# Inputs that break a check land in build/fuzz/artifacts/<target>/; copy
# them into the regression folder once the fault is fixed. The exit status
# is non-zero when any target found something.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-10}"
shift $(( $# > 0 ? 1 : 0 ))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_rtf_reader fuzz_plain_lines fuzz_keyword_scan fuzz_layout_converter fuzz_say_turn)

build="$root/build/fuzz"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTARSEL_FUZZ=ON -DTARSEL_BUILD_GUI=OFF -DBUILD_TESTING=OFF >/dev/null || exit 1
cmake --build "$build" --target "${targets[@]}" || exit 1

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
status=0
summary=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  seeds=("$root/tests/engine/data/fuzz_regressions/$t")
  case "$t" in
    fuzz_rtf_reader|fuzz_plain_lines) seeds+=("$root/data/Base") ;;
  esac
  existing=()
  for s in "${seeds[@]}"; do [ -d "$s" ] && existing+=("$s"); done

  log="$build/$t.log"
  echo "== $t: ${seconds}s"
  "$build/fuzz/$t" "$corpus" "${existing[@]}" -max_total_time="$seconds" -timeout=20 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
  rc=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  found=$(find "$artifacts" -type f | wc -l)
  if [ $rc -ne 0 ]; then
    status=1
    echo "   FINDING (exit $rc), see $log and $artifacts/"
    grep -m5 -E 'ERROR|CheckFailure|what\(\)|runtime error' "$log" | sed 's/^/   /'
  fi
  summary+=("$t: ${execs:-?} executions, exit $rc, $found artifact(s) kept")
done
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
