#!/usr/bin/env bash
# Builds the suites that run the background reads ahead of the walk with
# ThreadSanitizer in their own directory and runs them.  Any report ends the
# test that made it with a failure (halt_on_error).
#   scripts/tsan.sh [extra ctest arguments]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_TSAN_BUILD_DIR:-$here/build-tsan}
suites=(tst_search tst_searchcopy tst_vanishing tst_treeshape)

gen=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then gen=(-G Ninja); fi
cmake -S "$here" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPATHWREN_TSAN=ON -DPATHWREN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${suites[@]}"

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/scripts/tsan-suppressions.txt"
cd "$build"
regex=$(IFS='|'; echo "^(${suites[*]})\$")
ctest --output-on-failure -j"$(nproc)" -R "$regex" "$@"
