#!/usr/bin/env bash
# Installs what is missing, builds Tarsel and starts it in its working
# directory (by default ~/.local/share/tarsel/work). The directory is
# filled from data/ on the first run; later runs keep what the bot learned.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

build="$root/build/release"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DTARSEL_BUILD_GUI=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" >&2

work="${TARSEL_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/tarsel/work}"
mkdir -p "$work"
# Copy only what is not there yet: never overwrite what the bot has learned.
cp -rn "$root/data/." "$work/"
cd "$work"
program="$build/tarsel"
[ "${1:-}" = "--console" ] && { shift; program="$build/app/tarsel-console"; }
exec "$program" "$@"
