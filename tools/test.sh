#!/usr/bin/env bash
# Installs what is missing, builds Ordisk with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test (windows run offscreen),
# then fuzzes the text matching and number reading for a few seconds.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh"
cd "$here"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev "$@"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
