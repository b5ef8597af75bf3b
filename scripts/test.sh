#!/usr/bin/env bash
# Installs what is missing for the tests, builds everything, and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_BUILD_DIR:-$here/build}
"$here/scripts/install-deps.sh" test
"$here/scripts/build.sh"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
