#!/usr/bin/env bash
# Installs what building and running need, builds the program only, and
# starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh" run
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target pathwren -j"$(nproc)"
exec "$build/bin/pathwren"
