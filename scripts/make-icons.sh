#!/usr/bin/env bash
# Renders the application icon dist/icons/org.quillmark.Quillmark.svg into the
# PNG sizes that are committed beside it (needs rsvg-convert, package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../dist/icons"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" org.quillmark.Quillmark.svg -o "org.quillmark.Quillmark-$size.png"
done
