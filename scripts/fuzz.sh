#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a bounded
# time, starting from the committed seeds in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds per target, default 60] [target...]
# New inputs go to a scratch corpus in the build directory, never into the
# repository.  Any crash, sanitizer report, broken property, timeout or
# memory blow-up fails the run; the input is kept in
# $build/artifacts/<target>-crash-... and replayed with
#   $build/fuzz/<target> <that file>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_FUZZ_BUILD_DIR:-$here/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_wildcard fuzz_wordlist fuzz_logrecord fuzz_mountinfo fuzz_resultline)
fi

# Ninja when there is one (a directory keeps the generator it was made with).
gen=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then gen=(-G Ninja); fi
CC=clang CXX=clang++ cmake -S "$here" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPATHWREN_FUZZ=ON -DPATHWREN_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  mkdir -p "$work"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-")
  [ -f "$here/fuzz/${t#fuzz_}.dict" ] && args+=(-dict="$here/fuzz/${t#fuzz_}.dict")
  echo "== $t: ${seconds} s"
  if ! "$build/fuzz/$t" "${args[@]}" "$work" "$here/fuzz/corpus/$t" > "$build/$t.log" 2>&1; then
    echo "!! $t failed; last lines of $build/$t.log:"
    tail -n 40 "$build/$t.log"
    status=1
  else
    grep -E '^stat::(number_of_executed_units|new_units_added)' "$build/$t.log" | tr '\n' ' '
    echo
  fi
done
exit $status
