#!/usr/bin/env bash
# Redraws every picture in images/ from scripts/make-pictures.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC scripts/make-pictures.cpp -o "$tmp/make-pictures" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$tmp/make-pictures" images
