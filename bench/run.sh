#!/usr/bin/env bash
# The benchmark: builds a synthetic tree (2,000 folders, 100,000 files) in a
# temporary folder and drives the real main window over it, offscreen and,
# when Xvfb is installed, under Xvfb, against find and cp on the same tree
# with a warm cache.  Prints one markdown table.
#
#   bench/run.sh [BUILD_DIR]      default BUILD_DIR: ./build-bench (Release)
#
# PATHWREN_BENCH_BIN=/path/to/pathwren_bench skips the build (to measure
# another build); PATHWREN_BENCH_RUNS sets the runs per figure (default 3,
# the median is shown).  Needs about 3 GB of free space in $TMPDIR.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${PATHWREN_BENCH_RUNS:-3}
if [[ -n "${PATHWREN_BENCH_BIN:-}" ]]; then
  bin=$PATHWREN_BENCH_BIN
else
  build=${1:-$here/build-bench}
  echo "building pathwren_bench in $build ..." >&2
  type=()
  [[ -f "$build/CMakeCache.txt" ]] || type=(-DCMAKE_BUILD_TYPE=Release)
  cmake -S "$here" -B "$build" "${type[@]}" -DPATHWREN_BENCH=ON >/dev/null
  cmake --build "$build" --target pathwren_bench -j"$(nproc)" >/dev/null
  bin=$build/bin/pathwren_bench
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pathwren-bench.XXXXXX")
xvfb_pid=
cleanup() {
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C.UTF-8
patterns=(\( -iname '*.txt' -o -iname '*.doc' -o -iname '*data*' \))

# key=value lines of the bench program
val() { sed -n "s/^$1=//p" "$2" | tail -n 1; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
maxof() { sort -g | tail -n 1; }
seconds() { awk -v ms="$1" 'BEGIN { printf "%.2f s", ms / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f×", a / b; else print "—" }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f MiB", k / 1024 }'; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f MB", b / 1e6 }'; }
# time_ms FILE COMMAND...: appends the command's wall time in ms to FILE
time_ms() {
  local out=$1 start end
  shift
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  echo $(((end - start) / 1000000)) >>"$out"
}

echo "building the tree in $work/tree ..." >&2
root=$work/tree
mkdir "$root"
"$bin" tree "$root" >"$work/tree.txt"

# Warm cache: every folder and every byte read once before anything is timed.
find "$root" >/dev/null
find "$root" -type f -print0 | xargs -0 cat >/dev/null

# Baselines ------------------------------------------------------------------
echo "find and cp ..." >&2
for ((i = 1; i <= runs; i++)); do
  time_ms "$work/find.ms" find "$root" "${patterns[@]}" -print >"$work/find.txt"
done
find_ms=$(median <"$work/find.ms")
find_hits=$(wc -l <"$work/find.txt")

# cp gets what the search with copy copies: the normal (not hidden) files
# that match, from the same folders.
(cd "$root" && find . -type f ! -name '.*' "${patterns[@]}" -print0) >"$work/cp.list"
cp_bytes=$(cd "$root" && xargs -0 -a "$work/cp.list" stat -c %s | awk '{ s += $1 } END { print s + 0 }')
for ((i = 1; i <= runs; i++)); do
  mkdir "$work/cp$i"
  sync
  (cd "$root" && time_ms "$work/cp.ms" xargs -0 -a "$work/cp.list" cp --parents -t "$work/cp$i")
done
cp_ms=$(median <"$work/cp.ms")

# Pathwren on one platform ----------------------------------------------------
# run_platform NAME ENV...  leaves NAME.* files in $work
run_platform() {
  local name=$1
  shift
  local envs=("$@") i
  echo "pathwren ($name) ..." >&2
  : >"$work/$name.search.ms"
  : >"$work/$name.stall"
  for ((i = 1; i <= runs; i++)); do
    env "${envs[@]}" "$bin" search "$root" "$work/$name.paths" >"$work/$name.search$i" 2>/dev/null
    val search_ms "$work/$name.search$i" >>"$work/$name.search.ms"
    val search_max_stall_ms "$work/$name.search$i" >>"$work/$name.stall"
  done
  : >"$work/$name.copy.ms"
  for ((i = 1; i <= runs; i++)); do
    mkdir "$work/$name.copy$i.dst"
    sync
    env "${envs[@]}" "$bin" copy "$root" "$work/$name.copy$i.dst" >"$work/$name.copy$i" 2>/dev/null
    val copy_ms "$work/$name.copy$i" >>"$work/$name.copy.ms"
  done
  : >"$work/$name.lines.ms"
  : >"$work/$name.hwm"
  for ((i = 1; i <= runs; i++)); do
    env "${envs[@]}" "$bin" lines 100000 >"$work/$name.lines$i" 2>/dev/null
    val lines_ms "$work/$name.lines$i" >>"$work/$name.lines.ms"
    val vmhwm_kib "$work/$name.lines$i" >>"$work/$name.hwm"
  done
  # Stop requests at a third, a half and two thirds of a plain search.
  local search_ms percent
  search_ms=$(median <"$work/$name.search.ms")
  : >"$work/$name.cancel"
  for percent in 33 50 67; do
    env "${envs[@]}" "$bin" cancel "$root" "$(awk -v s="$search_ms" -v p="$percent" 'BEGIN { printf "%d", s * p / 100 }')" \
      >"$work/$name.cancel$percent" 2>/dev/null || true
    val cancel_latency_ms "$work/$name.cancel$percent" >>"$work/$name.cancel"
    # the wait for the event loop to take the click counts as latency too
    val cancel_late_ms "$work/$name.cancel$percent" >>"$work/$name.cancel.late"
  done
}

run_platform offscreen QT_QPA_PLATFORM=offscreen
platforms=(offscreen)
if command -v Xvfb >/dev/null 2>&1; then
  exec 3>"$work/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do
    [[ -s "$work/xvfb.display" ]] && break
    sleep 0.1
  done
  if [[ -s "$work/xvfb.display" ]]; then
    run_platform xvfb QT_QPA_PLATFORM=xcb DISPLAY=":$(head -n 1 "$work/xvfb.display")"
    platforms+=(xvfb)
  else
    echo "Xvfb did not start; offscreen figures only" >&2
  fi
else
  echo "Xvfb is not installed; offscreen figures only" >&2
fi

# The table -------------------------------------------------------------------
same_hits() {
  if cmp -s <(sort -u "$work/find.txt") <(sort -u "$work/$1.paths"); then echo "same paths as find"; else echo "PATHS DIFFER from find"; fi
}
cell() { # cell NAME FIGURE
  local n=$1 f=$2 ms
  case $f in
    search)
      ms=$(median <"$work/$n.search.ms")
      echo "$(seconds "$ms"), $(val search_hits "$work/$n.search1") hits ($(same_hits "$n")); **$(ratio "$ms" "$find_ms")**" ;;
    copy)
      ms=$(median <"$work/$n.copy.ms")
      echo "$(seconds "$ms"), $(val copy_files "$work/$n.copy1") files, $(mb "$(val copy_bytes "$work/$n.copy1")"); **$(ratio "$ms" "$cp_ms")**" ;;
    lines)
      ms=$(median <"$work/$n.lines.ms")
      echo "**$(seconds "$ms")** ($(awk -v ms="$ms" 'BEGIN { printf "%.0f", 100000 / (ms / 1000) }') lines/s)" ;;
    cancel)
      echo "**$(maxof <"$work/$n.cancel") ms** (worst of 3; the click waited at most $(maxof <"$work/$n.cancel.late") ms for the event loop)" ;;
    stall)
      echo "**$(maxof <"$work/$n.stall") ms** (worst of $runs searches)" ;;
    memory)
      echo "**$(mib "$(maxof <"$work/$n.hwm")")** (VmHWM)" ;;
  esac
}

header="| figure | baseline | target |"
rule="|---|---|---|"
for p in "${platforms[@]}"; do
  header+=" Pathwren, $p |"
  rule+="---|"
done
row() { # row LABEL BASELINE TARGET FIGURE
  local line="| $1 | $2 | $3 |" p
  for p in "${platforms[@]}"; do line+=" $(cell "$p" "$4") |"; done
  echo "$line"
}

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
mem=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
tree_desc="$(val tree_folders "$work/tree.txt") folders, $(val tree_files "$work/tree.txt") files, $(mb "$(val tree_bytes "$work/tree.txt")")"
echo
echo "Machine: $(nproc) CPUs ($cpu), $mem memory; load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)."
echo "Tree: $tree_desc, up to $(val tree_depth "$work/tree.txt") deep; patterns \`*.txt;*.doc;*DATA*\`, full expansion."
echo "Median of $runs runs per figure unless noted; times are wall-clock."
echo
echo "$header"
echo "$rule"
row "plain search vs \`find -iname …\`" "find: $(seconds "$find_ms"), $find_hits paths" "≤ 3×" search
row "search with copy vs \`cp --parents\`" "cp: $(seconds "$cp_ms"), $(mb "$cp_bytes")" "≤ 1.5×" copy
row "100,000 result lines, window shown" "—" "< 1.5 s (Xvfb)" lines
row "cancel latency (click to end banner)" "—" "< 50 ms" cancel
row "longest event-loop stall, plain search" "—" "< 50 ms" stall
row "peak memory after 100,000 lines (fresh process)" "—" "< 150 MiB" memory
