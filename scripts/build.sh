#!/usr/bin/env bash
# Configures and builds into ./build (or $PATHWREN_BUILD_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_BUILD_DIR:-$here/build}
# CI builds with warnings as errors.
werror=()
if [ "${CI:-}" = true ] || [ "${PATHWREN_WERROR:-}" = ON ]; then werror=(-DPATHWREN_WERROR=ON); fi
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${werror[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
