#!/usr/bin/env bash
# Kills two copies of the program's writing at random moments many times over (250 by default, or
# the number given) and checks after each round that the register holds every action
# reported as done and opens normally; prints how many kills and actions it took.
#   tools/soak.sh [kills]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh"
cd "$here"
cmake --preset dev >/dev/null
cmake --build --preset dev --target data_tests crash_worker
ORDISK_CRASH_KILLS=${1:-250} build/dev/tests/data/data_tests \
    --gtest_filter='CrashSafety.TwoCopiesKilledAtRandomMomentsLoseNoReportedAction'
