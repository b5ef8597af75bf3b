#!/usr/bin/env bash
# The benchmark: builds a synthetic tree (2,000 folders, 100,004 files) on a
# tmpfs and drives the real main window over it under its own Xvfb, every
# run in a fresh process, interleaved with find and cp on the same tree.
# Prints one markdown table of the figures and their targets.
#
#   bench/run.sh [BUILD_DIR]      default BUILD_DIR: ./build-bench (Release)
#
# PATHWREN_BENCH_BIN=/path/to/pathwren_bench skips the build (to measure
# another build); PATHWREN_BENCH_RUNS sets the pairs per figure (default 5,
# medians are shown); PATHWREN_BENCH_DISPLAY=:N picks the Xvfb display
# (default: the first free one).  The tree goes to a fresh folder under
# $TMPDIR (default /tmp); as root the script mounts a tmpfs there, otherwise
# it uses what $TMPDIR is and says so (a tmpfs must not lie under /dev,
# which the folder tree leaves out).  Needs about 3 GB of memory or space.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${PATHWREN_BENCH_RUNS:-5}
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
mounted=
xvfb_pid=
cleanup() {
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [[ -n "$mounted" ]]; then umount "$work" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C.UTF-8

fstype=$(stat -f -c %T "$work")
if [[ "$fstype" != tmpfs && $(id -u) -eq 0 ]] && mount -t tmpfs -o size=6g,mode=0700 pathwren-bench "$work"; then
  mounted=yes
  fstype=tmpfs
fi
case $work in /dev/*) echo "warning: $work lies under /dev, which the folder tree does not offer" >&2 ;; esac
echo "working in $work ($fstype)" >&2

# Display: Xvfb of our own, or offscreen where there is none.
display_note="Xvfb"
if command -v Xvfb >/dev/null 2>&1; then
  if [[ -n "${PATHWREN_BENCH_DISPLAY:-}" ]]; then
    Xvfb "$PATHWREN_BENCH_DISPLAY" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    display=$PATHWREN_BENCH_DISPLAY
    sleep 1
  else
    exec 3>"$work/xvfb.display"
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    for _ in $(seq 100); do
      [[ -s "$work/xvfb.display" ]] && break
      sleep 0.1
    done
    display=":$(head -n 1 "$work/xvfb.display")"
  fi
  app_env=(QT_QPA_PLATFORM=xcb DISPLAY="$display")
else
  echo "Xvfb is not installed: offscreen figures only" >&2
  display_note="offscreen (no Xvfb)"
  app_env=(QT_QPA_PLATFORM=offscreen)
fi
app() { env "${app_env[@]}" "$bin" "$@" 2>>"$work/stderr.txt"; }

# key=value lines of the bench program
val() { sed -n "s/^$1=//p" "$2" | tail -n 1; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
maxof() { sort -g | tail -n 1; }
now_ns() { date +%s%N; }
ms_since() { echo "$(( ($(now_ns) - $1) / 1000 ))" | awk '{ printf "%.1f", $1 / 1000 }'; }
sec() { awk -v ms="$1" 'BEGIN { printf "%.2f s", ms / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "0" }'; }
verdict() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN { ok = (op == "le") ? v <= t : v < t; print ok ? "met" : "**missed**" }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
fail() { echo "FAILED: $*" >&2; failures+=("$*"); }
failures=()

patterns_text='*.txt;*.doc;*DATA*'
find_patterns=(\( -iname '*.txt' -o -iname '*.doc' -o -iname '*data*' \))

echo "building the tree ..." >&2
root=$work/tree
mkdir "$root"
"$bin" tree "$root" >"$work/tree.txt"
big=$work/big
mkdir "$big"
dd if=/dev/zero of="$big/Huge_DATA.bin" bs=1M count=1024 status=none
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# What a search with copy must leave at the destination: every normal
# (not hidden) matching file, as path below the root and size.
(cd "$root" && find . -type f ! -name '.*' "${find_patterns[@]}" -printf '%P\t%s\n') | sort >"$work/expected.copy"
expected_files=$(wc -l <"$work/expected.copy")
expected_bytes=$(awk -F'\t' '{ s += $2 } END { print s + 0 }' "$work/expected.copy")

# check_copy DEST LAYOUT: the file set, the sizes and the bytes of a sample
# (the big files and every 500th) against the tree.  LAYOUT "flat" is the
# program's (one folder per source folder, "/" written as "￥"), "nested"
# is cp --parents'.
check_copy() {
  local dst=$1 layout=$2 flat
  flat=$(printf '%s' "$root" | sed 's|/|￥|g')
  if [[ $layout == flat ]]; then
    (cd "$dst" && find . -mindepth 1 \( -type f -o ! -type d \) -printf '%P\t%s\n') |
      sed -e "s|^$flat￥||" -e "s|^$flat/||" -e 's|￥|/|g' | sort >"$work/got.copy"
  else
    (cd "$dst" && find . -mindepth 1 \( -type f -o ! -type d \) -printf '%P\t%s\n') | sort >"$work/got.copy"
  fi
  if ! cmp -s "$work/expected.copy" "$work/got.copy"; then
    fail "$layout copy in $dst: file set or sizes differ ($(diff "$work/expected.copy" "$work/got.copy" | grep -c '^[<>]') lines)"
    return
  fi
  local rel copy n=0 bad=0
  while IFS=$'\t' read -r rel _; do
    n=$((n + 1))
    if (( n % 500 == 0 )) || [[ $rel == *Big_dump* || $rel == *disk_image* || $rel == *RAW_DATA* || $rel == *archive.part1* ]]; then
      if [[ $layout == flat ]]; then
        local dir=${rel%/*} name=${rel##*/}
        [[ $rel == */* ]] || dir=
        copy="$dst/$flat${dir:+￥${dir//\//￥}}/$name"
      else
        copy="$dst/$rel"
      fi
      cmp -s "$root/$rel" "$copy" || bad=$((bad + 1))
    fi
  done <"$work/expected.copy"
  (( bad == 0 )) || fail "$layout copy in $dst: $bad sampled files differ in content"
}

# Pairs, interleaved: find, plain search, find | xargs cp, search with copy.
echo "$runs pairs of runs ..." >&2
: >"$work/find.ms"; : >"$work/search.ms"; : >"$work/cp.ms"; : >"$work/copy.ms"; : >"$work/copy.stall"
for ((i = 1; i <= runs; i++)); do
  t=$(now_ns)
  find "$root" "${find_patterns[@]}" -print >"$work/find.txt"
  ms_since "$t" >>"$work/find.ms"

  app search "$root" "$patterns_text" "$work/search.paths" >"$work/search$i" || fail "search run $i exited with $?"
  val search_ms "$work/search$i" >>"$work/search.ms"
  [[ $(val search_ended "$work/search$i") == yes ]] || fail "search run $i did not end with the end banner"
  # Hits against find's paths, duplicates kept.
  cmp -s <(sort "$work/find.txt") <(sort "$work/search.paths") || fail "search run $i: hits differ from find's paths"

  mkdir "$work/cp"
  t=$(now_ns)
  (cd "$root" && find . -type f ! -name '.*' "${find_patterns[@]}" -print0 | xargs -0 cp --parents -t "$work/cp")
  ms_since "$t" >>"$work/cp.ms"
  check_copy "$work/cp" nested
  rm -rf "$work/cp"

  mkdir "$work/dst"
  app copy "$root" "$patterns_text" "$work/dst" >"$work/copy$i" || fail "copy run $i exited with $?"
  val copy_ms "$work/copy$i" >>"$work/copy.ms"
  val copy_max_stall_ms "$work/copy$i" >>"$work/copy.stall"
  [[ $(val copy_ended "$work/copy$i") == yes ]] || fail "copy run $i did not end with the end banner"
  [[ $(val copy_lines "$work/copy$i") == "$expected_files" ]] || fail "copy run $i: $(val copy_lines "$work/copy$i") copy lines, $expected_files files expected"
  check_copy "$work/dst" flat
  rm -rf "$work/dst"
done

echo "100,000 lines, memory, stop, big file ..." >&2
: >"$work/lines.ms"
for ((i = 1; i <= runs; i++)); do
  app lines 100000 >"$work/lines$i" || fail "lines run $i exited with $?"
  val lines_ms "$work/lines$i" >>"$work/lines.ms"
done

# Peak memory after a real search of more than 100,000 lines: "*" lists
# every entry, "." and ".." included.
app search "$root" '*' >"$work/memory" || fail "memory run exited with $?"
memory_lines=$(val search_lines "$work/memory")
(( memory_lines >= 100000 )) || fail "the memory run wrote only $memory_lines lines"

# Stop clicks spread over the plain search and the search with copy, timed
# from the fastest run so that even the last click falls within a search.
search_ms=$(median <"$work/search.ms")
copy_ms=$(median <"$work/copy.ms")
search_fastest=$(sort -g "$work/search.ms" | head -n 1)
copy_fastest=$(sort -g "$work/copy.ms" | head -n 1)
: >"$work/stop.ms"
: >"$work/stop.stall"
for percent in 15 30 45 60 75; do
  for kind in search copy; do
    if [[ $kind == search ]]; then total=$search_fastest dst=-; else total=$copy_fastest dst=$work/dst; mkdir -p "$dst"; fi
    delay=$(awk -v s="$total" -v p="$percent" 'BEGIN { printf "%d", s * p / 100 }')
    out="$work/stop.$kind$percent"
    app stop "$root" "$patterns_text" "$dst" "$delay" >"$out" || true
    if [[ -n $(val stop_ms "$out") ]]; then
      val stop_ms "$out" >>"$work/stop.ms"
      val stop_max_stall_ms "$out" >>"$work/stop.stall"
      [[ $(val stop_ended "$out") == yes ]] || fail "stop $kind at $percent%: no end banner"
    else
      fail "stop $kind at $percent%: $(val error "$out")"
    fi
    rm -rf "$work/dst"
  done
done

# One 1 GiB file in a search with copy.
: >"$work/big.stall"; : >"$work/big.ms"
for ((i = 1; i <= 3; i++)); do
  mkdir "$work/dst"
  app copy "$big" '*DATA*' "$work/dst" >"$work/big$i" || fail "big-file run $i exited with $?"
  val copy_max_stall_ms "$work/big$i" >>"$work/big.stall"
  val copy_ms "$work/big$i" >>"$work/big.ms"
  cmp -s "$big/Huge_DATA.bin" "$work/dst/$(printf '%s' "$big" | sed 's|/|￥|g')/Huge_DATA.bin" || fail "big-file run $i: the copy differs"
  rm -rf "$work/dst"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# The table -------------------------------------------------------------------
find_ms=$(median <"$work/find.ms")
cp_ms=$(median <"$work/cp.ms")
lines_ms=$(median <"$work/lines.ms")
search_ratio=$(ratio "$search_ms" "$find_ms")
copy_ratio=$(ratio "$copy_ms" "$cp_ms")
stall_copy=$(maxof <"$work/copy.stall")
stall_big=$(maxof <"$work/big.stall")
stall=$(printf '%s\n%s\n' "$stall_copy" "$stall_big" | maxof)
hwm=$(mib "$(val vmhwm_kib "$work/memory")")
stop_median=$(median <"$work/stop.ms")
stop_worst=$(maxof <"$work/stop.ms")
stop_count=$(wc -l <"$work/stop.ms")

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memtotal=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
echo
echo "Machine: $(nproc) CPUs ($cpu), $memtotal memory. Load average before: $load_before; after: $load_after."
echo "Tree: $(val tree_folders "$work/tree.txt") folders, $(val tree_files "$work/tree.txt") files, $(awk -v b="$(val tree_bytes "$work/tree.txt")" 'BEGIN { printf "%.0f MB", b / 1e6 }') on $fstype; patterns \`$patterns_text\`, full expansion; display: $display_note."
echo "$runs interleaved pairs, a fresh process per run; medians, ratios of medians."
echo
echo "| figure | target | baseline | Pathwren | |"
echo "|---|---|---|---|---|"
echo "| plain search vs \`find\` | ≤ 2× | $(sec "$find_ms"), $(wc -l <"$work/find.txt") paths | $(sec "$search_ms"), $(val search_hits "$work/search1") hits (the same, duplicates kept) | **${search_ratio}×** $(verdict "$search_ratio" 2 le) |"
echo "| search with copy vs \`find … \| xargs cp --parents\` | ≤ 1.3× | $(sec "$cp_ms") | $(sec "$copy_ms"), $expected_files files, $(awk -v b="$expected_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }') (checked at the destination) | **${copy_ratio}×** $(verdict "$copy_ratio" 1.3 le) |"
echo "| 100,000 lines appended and shown, painting included | < 1 s | — | $(sec "$lines_ms") | $(verdict "$lines_ms" 1000 lt) |"
echo "| longest event-loop stall, search with copy / one 1 GiB file | < 50 ms | — | ${stall_copy} ms / ${stall_big} ms (worst of $runs / 3) | $(verdict "$stall" 50 lt) |"
echo "| peak memory after a real $memory_lines-line search | < 100 MiB | — | $hwm MiB (VmHWM) | $(verdict "$hwm" 100 lt) |"
echo "| stop, click to end banner | < 50 ms | — | median $stop_median ms, worst $stop_worst ms ($stop_count clicks) | $(verdict "$stop_worst" 50 lt) |"
echo
echo "Paints during the first plain search: list $(val paints_resultList "$work/search1"), tree $(val paints_folderTree "$work/search1"), other $(val paints_other "$work/search1"); during the first search with copy: list $(val paints_resultList "$work/copy1"), tree $(val paints_folderTree "$work/copy1"), other $(val paints_other "$work/copy1")."
if ((${#failures[@]})); then
  echo
  echo "CHECKS FAILED:"
  printf -- '- %s\n' "${failures[@]}"
  exit 1
fi
