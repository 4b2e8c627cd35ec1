#!/usr/bin/env bash
# Two copies of Tarsel talking to each other in Cpu\Cpu mode through one
# exchange file, under a virtual X display, for a number of turns; then both
# leave through "Выход" and the run is checked (see README.md, "Two copies
# talking").
#
#   scripts/exchange-soak.sh [--turns N] [--interval MS] [--keep] [--timeout S]
#                             [--rebuild] [--no-seed]
#
#   --turns N      talk until N exchange writes were seen (default 50)
#   --interval MS  type MS into the interval field of both copies' "Редактор"
#                  window before the mode switch (default: leave it at 1000)
#   --keep         keep the run's folder (working folders, logs, pictures)
#   --timeout S    give up when the turns are not reached within S seconds
#   --rebuild      bring build/release up to date first (by default an
#                  existing build is used as it is)
#   --no-seed      do not create the exchange file: a check of the checks,
#                  every poll then fails and the run must report error boxes
#
# The copies run in temporary working folders filled from data/, with a
# private XDG_DATA_HOME, so the exchange file ("D:\Txt.Dat") and the
# knowledge bases are the soak's own; nothing outside the run's folder is
# written except the release build. Exit status 0 when every check passed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

turns=50
interval=
keep=0
timeout=
rebuild=0
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --turns) turns=$2; shift 2 ;;
    --interval) interval=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --no-seed) extra+=(--no-seed); shift ;;
    --rebuild) rebuild=1; shift ;;
    -h|--help) sed -n '2,23p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

# Tools of the soak itself.
need=()
command -v xvfb-run >/dev/null || need+=(xvfb)
command -v xauth >/dev/null || need+=(xauth)
command -v xdotool >/dev/null || need+=(xdotool)
command -v python3 >/dev/null || need+=(python3)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null
fi

# The release program, built as scripts/run.sh builds it, unless present.
build="$root/build/release"
if [ "$rebuild" = 1 ] || [ ! -x "$build/tarsel" ] || [ ! -f "$build/engine/libtarsel_engine.a" ]; then
  "$root/scripts/install-deps.sh"
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DTARSEL_BUILD_GUI=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" --target tarsel --parallel "$(nproc)"
fi

run=$(mktemp -d "${TMPDIR:-/tmp}/tarsel-soak.XXXXXX")
cleanup() {
  if [ "$keep" = 1 ]; then
    echo "run folder kept: $run"
  else
    rm -rf "$run"
  fi
}
trap cleanup EXIT

# A tiny checker that reads a data file through the engine, as the program
# does (RTF or plain text), and prints its lines, one per output line.
cat >"$run/kb_lines.cpp" <<'EOF'
#include <cstdio>
#include <exception>

#include "engine/line_list.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kb_lines FILE\n");
        return 2;
    }
    try {
        tarsel::LineList list;
        list.load_rich(argv[1]);
        for (const std::string& line : list.lines()) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
EOF
c++ -std=c++20 -O1 -I"$root" "$run/kb_lines.cpp" "$build/engine/libtarsel_engine.a" -o "$run/kb_lines"

args=(--program "$build/tarsel" --checker "$run/kb_lines" --data "$root/data"
      --dir "$run/soak" --turns "$turns")
[ -n "$interval" ] && args+=(--interval "$interval")
[ -n "$timeout" ] && args+=(--timeout "$timeout")
args+=("${extra[@]}")

# One display for both copies; no window manager is needed.
xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" \
  python3 "$root/scripts/exchange_soak_run.py" "${args[@]}"
