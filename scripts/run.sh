#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pathwren.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
exec "${PATHWREN_BUILD_DIR:-$here/build}/bin/pathwren"
