#!/bin/bash
# Renders the PNG icons beside the SVG (48 and 128 pixels), for desktops and
# software centres that take no SVG. Run after changing packaging/scanlark.svg
# and commit the result; the build only installs them.
#   tools/render-icons.sh
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert > /dev/null || { echo "render-icons: rsvg-convert is missing (Debian package librsvg2-bin)" >&2; exit 1; }
for size in 48 128; do
  rsvg-convert --width "$size" --height "$size" packaging/scanlark.svg > "packaging/icons/scanlark-$size.png"
done
