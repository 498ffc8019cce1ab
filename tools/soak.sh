#!/usr/bin/env bash
# Kills two copies of the program's writing at random moments many times over (250 by default, or
# the number given) and checks after each round that the register holds every action
# reported as done and opens normally; prints how many kills and actions it took.
# With --power each kill is a power cut: the register's files are then what the disk held
# durably (content at each file's last sync, names at the directory's last sync).
#   tools/soak.sh [--power] [kills]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fault=Kill
if [[ ${1:-} == --power ]]; then
    fault=PowerCut
    shift
fi
"$here/tools/setup.sh"
cd "$here"
cmake --preset dev >/dev/null
cmake --build --preset dev --target binding_tests crash_worker
ORDISK_CRASH_KILLS=${1:-250} build/dev/tests/binding/binding_tests \
    --gtest_filter="Faults/CrashSafety.TwoCopiesStoppedAtRandomMomentsLoseNoReportedAction/$fault"
