#!/usr/bin/env bash
# Builds Brevlin and starts it. On a machine without a printer it first starts a private CUPS scheduler
# with a virtual PDF printer (TestPDF), so a printed sheet lands as a PDF file; on a machine without a
# display it says so and shows how to make a sheet with brevlin-sheet instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/setup-deps.sh
cmake -S "$root" -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBREVLIN_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
sheet=build/release/tools/brevlin-sheet/brevlin-sheet

if [ -z "${CUPS_SERVER:-}" ] && ! lpstat -e 2>/dev/null | grep -q .; then
    cups_dir=/tmp/brevlin-cups-$(id -u)
    mkdir -p "$cups_dir"
    chmod 755 "$cups_dir"
    cups_env=$(scripts/cups-sandbox.sh start "$cups_dir")
    eval "$cups_env"
    echo "No printer is installed: using the virtual PDF printer TestPDF."
    echo "Printed sheets land in $BREVLIN_PDF_DIR"
    echo "To print to it from another shell: export CUPS_SERVER=$CUPS_SERVER"
    echo "(stop its scheduler with: scripts/cups-sandbox.sh stop $cups_dir)"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat <<MSG
There is no display here, so the Brevlin window cannot open.
Make a sheet from the command line instead, for example:
  $sheet formats
  $sheet make photo.jpg --format 19 --paper A4 --dpi 600 -o sheet.jpg
  $sheet print photo.jpg --format 19 --count 6 --printer TestPDF
or start the window on a virtual display and take a screenshot:
  xvfb-run -a -s '-screen 0 1280x800x24' $root/build/release/app/brevlin
MSG
    exit 0
fi
exec build/release/app/brevlin
