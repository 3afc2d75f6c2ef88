#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need; only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev qt6-serialport-dev
  libgl1-mesa-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  python3 python3-dbfread python3-dbf
  libfreexl-dev libgsf-1-dev unrtf python3-xlrd libxml2-utils
  libv4l-dev
  poppler-utils locales
  qt6-translations-l10n
  xvfb xauth xdotool imagemagick x11-apps
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    # A name the archive does not know (virtual or renamed) is skipped rather than failing the set-up.
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "deps.sh: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
# Keep only names the archive knows, so a renamed virtual package cannot stop the whole set-up.
install=()
for p in "${missing[@]}"; do
  if apt-cache show "$p" >/dev/null 2>&1; then install+=("$p"); else echo "deps.sh: no package $p, skipped" >&2; fi
done
[ ${#install[@]} -eq 0 ] && exit 0
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${install[@]}"
