#!/usr/bin/env bash
# Installs what is missing, checks that the code keeps the project's .clang-format,
# builds Ordisk with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test
# (windows run offscreen), then fuzzes the text matching and number reading for a few seconds.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh"
cd "$here"
# Every source file of the project, whatever folder it is in (build outputs aside).
sources=$(find . -path ./build -prune -o -path ./.git -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if ! clang-format --dry-run -Werror $sources; then
    echo "Not formatted as .clang-format says; clang-format -i the files named above." >&2
    exit 1
fi
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev "$@"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
