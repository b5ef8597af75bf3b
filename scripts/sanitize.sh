#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# in its own directory and runs every test there.  Any sanitizer report ends
# the test that made it with a failure (halt_on_error, and undefined
# behaviour is compiled with -fno-sanitize-recover).
#   scripts/sanitize.sh [extra ctest arguments]
# Leak reports from third-party libraries only (Qt's plugins, fontconfig,
# ...) are suppressed by scripts/lsan-suppressions.txt; our own code is
# never suppressed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_SANITIZE_BUILD_DIR:-$here/build-sanitize}

# Ninja when there is one (a directory keeps the generator it was made with).
gen=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then gen=(-G Ninja); fi
cmake -S "$here" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPATHWREN_SANITIZE=ON -DPATHWREN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

# (strict_string_checks stays off: libxcb hands strndup() buffers without a
# terminating NUL, which that check reports although strndup stops in time.)
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$here/scripts/lsan-suppressions.txt:print_suppressions=0
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
