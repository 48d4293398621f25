#!/usr/bin/env bash
# Installs, from Debian's own packages, whatever Brevlin needs to build, run and test that is missing.
set -euo pipefail

# Build: compiler, CMake and Ninja, Qt 6 (widgets, printing, network, tests), libjpeg-turbo, zlib, SQLite.
# Run and test: the CUPS scheduler with the virtual PDF printer, poppler to rasterise printed PDFs, a
# font for PDF pages, Xvfb for a screenshot on machines without a display.
packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
    libjpeg62-turbo-dev zlib1g-dev libsqlite3-dev
    cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils fonts-dejavu-core
    xvfb xauth
)
if [ "${1:-}" = "--bench" ]; then
    packages+=(imagemagick libvips-tools hyperfine time libbenchmark-dev)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
