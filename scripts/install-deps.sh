#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Tarsel.
# Only what is missing is installed; sudo is used when not running as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-translations-l10n
  libgtest-dev
  fonts-dejavu-core
)
if [ "${TARSEL_WITH_XVFB:-0}" = 1 ]; then
  packages+=(xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq >&2
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >&2
