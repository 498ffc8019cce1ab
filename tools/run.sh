#!/usr/bin/env bash
# Installs what is missing, builds a release and starts Ordisk in the current
# directory, where it keeps its register db1.zaz.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh"
(cd "$here" && cmake --preset release >/dev/null && cmake --build --preset release)
exec "$here/build/release/app/ordisk" "$@"
