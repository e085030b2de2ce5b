#!/usr/bin/env bash
# Installs the Debian packages the build, the editor and the tests need; quick when all are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config lld
  qt6-base-dev qt6-translations-l10n libqt6svg6 libgl-dev
  libuemf-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  fonts-ipafont-gothic
  xvfb xauth x11-utils xdotool imagemagick netpbm
  libcups2-dev cups printer-driver-cups-pdf poppler-utils
  # Installing and packaging: icons rendered from SVG, the desktop entry, file type and AppStream
  # checks (xdg-mime asks libfile-mimeinfo-perl's mimetype), dpkg-shlibdeps for the package.
  librsvg2-bin desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
  dpkg-dev file man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
