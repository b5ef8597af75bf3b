#!/usr/bin/env bash
# The benchmark: synthetic trees, the real main window driven through its
# buttons under its own Xvfb, every run in a fresh process, interleaved pair
# by pair with the tools a user would pick instead (find, fdfind, bfs, cp)
# on the same tree.  Prints one markdown table per mode.
#
#   bench/run.sh [--mode MODE[,MODE...]]... [BUILD_DIR]
#
# Modes (bench/README.md): 100k (the default), 1m, latency, cold, cli, all.
# PATHWREN_BENCH_MODES gives them too.  BUILD_DIR defaults to ./build-bench
# (Release); PATHWREN_BENCH_CMAKE_ARGS adds arguments to its configuration
# (a compiler launcher, say).  PATHWREN_BENCH_BIN=/path/to/pathwren_bench
# skips the build (to measure another build); PATHWREN_BENCH_RUNS sets the
# pairs per figure (default 5, medians are shown); PATHWREN_BENCH_DISPLAY=:N
# picks the Xvfb display (default: the first free one).  The trees go to a
# fresh folder under $TMPDIR (default /tmp); as root the script mounts a
# tmpfs there, otherwise it uses what $TMPDIR is and says so (a tmpfs must
# not lie under /dev, which the folder tree leaves out).  The cold-cache
# mode builds its tree under PATHWREN_BENCH_COLD_DIR (default /var/tmp),
# which must be a disk file system.  Needs about 3 GB of memory or space
# (6 GB with the 1m mode).  Missing packages are installed first
# (scripts/install-deps.sh bench).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${PATHWREN_BENCH_RUNS:-5}
modes=${PATHWREN_BENCH_MODES:-}
build=
while (($#)); do
  case $1 in
    --mode) modes="${modes:+$modes,}${2:?--mode needs a value}"; shift 2 ;;
    --mode=*) modes="${modes:+$modes,}${1#--mode=}"; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option $1 (bench/run.sh --help)" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
modes=${modes:-100k}
[[ ,$modes, == *,all,* ]] && modes=100k,1m,latency,cold,cli
for m in ${modes//,/ }; do
  case $m in 100k|1m|latency|cold|cli) ;; *) echo "unknown mode $m (100k, 1m, latency, cold, cli, all)" >&2; exit 2 ;; esac
done
want() { [[ ,$modes, == *,$1,* ]]; }

"$here/scripts/install-deps.sh" bench >&2 || echo "warning: could not install the benchmark's packages; missing baselines are left out" >&2

if [[ -n "${PATHWREN_BENCH_BIN:-}" ]]; then
  bin=$PATHWREN_BENCH_BIN
  program=${PATHWREN_BENCH_PROGRAM:-$(dirname "$bin")/pathwren}
else
  build=${build:-$here/build-bench}
  echo "building pathwren_bench in $build ..." >&2
  type=()
  [[ -f "$build/CMakeCache.txt" ]] || type=(-DCMAKE_BUILD_TYPE=Release)
  # shellcheck disable=SC2086 # extra arguments are split on purpose
  cmake -S "$here" -B "$build" "${type[@]}" -DPATHWREN_BENCH=ON ${PATHWREN_BENCH_CMAKE_ARGS:-} >/dev/null
  cmake --build "$build" --target pathwren_bench pathwren -j"$(nproc)" >/dev/null
  bin=$build/bin/pathwren_bench
  program=$build/bin/pathwren
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pathwren-bench.XXXXXX")
mounted=
xvfb_pid=
fuse_mount=
cold_dir=
cleanup() {
  if [[ -n "$fuse_mount" ]]; then fusermount -u "$fuse_mount" 2>/dev/null || umount -l "$fuse_mount" 2>/dev/null || true; fi
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [[ -n "$cold_dir" ]]; then rm -rf "$cold_dir"; fi
  if [[ -n "$mounted" ]]; then umount "$work" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C.UTF-8

fstype=$(stat -f -c %T "$work")
if [[ "$fstype" != tmpfs && $(id -u) -eq 0 ]] && mount -t tmpfs -o size=8g,mode=0700 pathwren-bench "$work"; then
  mounted=yes
  fstype=tmpfs
fi
case $work in /dev/*) echo "warning: $work lies under /dev, which the folder tree does not offer" >&2 ;; esac
echo "working in $work ($fstype); modes: $modes" >&2

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
# 99th percentile of the numbers in a file, one a line
p99() { sort -g "$1" | awk '{ v[NR] = $1 } END { if (!NR) { print 0; exit } i = int(0.99 * NR) + 1; if (i > NR) i = NR; print v[i] }'; }
now_ns() { date +%s%N; }
ms_since() { echo "$(( ($(now_ns) - $1) / 1000 ))" | awk '{ printf "%.1f", $1 / 1000 }'; }
sec() { awk -v ms="$1" 'BEGIN { printf "%.2f s", ms / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "0" }'; }
verdict() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN { ok = (op == "le") ? v <= t : v < t; print ok ? "met" : "**missed**" }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
thousands() { sed -e ':a' -e 's/\B[0-9]\{3\}\>/,&/' -e 'ta' <<<"$1"; }
fail() { echo "FAILED: $*" >&2; failures+=("$*"); }
table_head() { say "| figure | target | baseline | Pathwren | |"; say "|---|---|---|---|---|"; }
failures=()
have() { command -v "$1" >/dev/null 2>&1; }

patterns_text='*.txt;*.doc;*DATA*'
find_patterns=(\( -iname '*.txt' -o -iname '*.doc' -o -iname '*data*' \))
# fd takes one pattern: the same three as one case-insensitive glob.
fd_patterns=(--ignore-case --glob '{*.txt,*.doc,*DATA*}')   # the pattern, then the folder
# Everything find lists: hidden entries, ignore files not read.
fd_flags=(-H -I -u)

# time_into MSFILE OUTFILE COMMAND...: runs COMMAND, output to OUTFILE, and
# appends its wall time in ms to MSFILE.
time_into() {
  local msfile=$1 out=$2 t
  shift 2
  t=$(now_ns)
  "$@" >"$out"
  ms_since "$t" >>"$msfile"
}
# same_paths A B WHAT: the two path lists hold the same paths (fd marks no
# folder here, but a trailing "/" is dropped all the same), duplicates kept.
same_paths() {
  if ! cmp -s <(sed 's|/$||' "$1" | sort) <(sed 's|/$||' "$2" | sort); then
    fail "$3: $(wc -l <"$2") paths, $(wc -l <"$1") expected; $(diff <(sed 's|/$||' "$1" | sort) <(sed 's|/$||' "$2" | sort) | grep -c '^[<>]') differ"
  fi
}
# check_tree ROOT TREE_TXT: the tree on disk has the folders and files its
# maker reported.
check_tree() {
  local folders files
  folders=$(find "$1" -mindepth 1 -type d | wc -l)
  files=$(find "$1" -type f | wc -l)
  [[ $folders == "$(val tree_folders "$2")" && $files == "$(val tree_files "$2")" ]] ||
    fail "tree $1: $folders folders and $files files, $(val tree_folders "$2") and $(val tree_files "$2") made"
}
# make_tree ROOT TREE_TXT [FOLDERS FILES [names]]
make_tree() {
  local root=$1 out=$2
  shift 2
  mkdir -p "$root"
  "$bin" tree "$root" "$@" >"$out"
  check_tree "$root" "$out"
}
tree_note() {
  local bytes
  bytes=$(val tree_bytes "$1")
  echo "$(thousands "$(val tree_folders "$1")") folders, $(thousands "$(val tree_files "$1")") files, $(
    if ((bytes)); then awk -v b="$bytes" 'BEGIN { printf "%.0f MB", b / 1e6 }'; else echo "every file empty"; fi)"
}
# A row of a baseline: "| WHAT | TARGET | BASE s, N paths | PROG s | RATIO× VERDICT |"
baseline_row() {
  local what=$1 target=$2 base_ms=$3 base_paths=$4 prog_ms=$5 prog_note=$6 r
  r=$(ratio "$prog_ms" "$base_ms")
  local v=""
  [[ $target == "—" ]] || v=" $(verdict "$r" "${target//[^0-9.]/}" le)"
  echo "| $what | $target | $(sec "$base_ms"), $base_paths paths | $(sec "$prog_ms")$prog_note | **${r}×**$v |"
}
answer_cell() {   # answer_cell FILE: "p99 X ms, max Y ms (N events)"
  local n
  n=$(wc -l <"$1")
  echo "p99 $(printf '%.1f' "$(p99 "$1")") ms, max $(printf '%.1f' "$(maxof <"$1")") ms ($(thousands "$n") events)"
}

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memtotal=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
report=$work/report.md
: >"$report"
say() { echo "$@" >>"$report"; }
say "Machine: $(nproc) CPUs ($cpu), $memtotal memory; display: $display_note. $runs interleaved pairs per figure, a fresh process per run; medians, ratios of medians (Pathwren ÷ baseline)."

# check_copy ROOT EXPECTED DEST LAYOUT: the file set, the sizes and the
# bytes of a sample (the big files and every 500th) against the tree.
# LAYOUT "flat" is the program's (one folder per source folder, "/" written
# as "￥"), "nested" is cp --parents'.
check_copy() {
  local root=$1 expected=$2 dst=$3 layout=$4 flat
  flat=$(printf '%s' "$root" | sed 's|/|￥|g')
  if [[ $layout == flat ]]; then
    (cd "$dst" && find . -mindepth 1 \( -type f -o ! -type d \) -printf '%P\t%s\n') |
      sed -e "s|^$flat￥||" -e "s|^$flat/||" -e 's|￥|/|g' | sort >"$work/got.copy"
  else
    (cd "$dst" && find . -mindepth 1 \( -type f -o ! -type d \) -printf '%P\t%s\n') | sort >"$work/got.copy"
  fi
  if ! cmp -s "$expected" "$work/got.copy"; then
    fail "$layout copy in $dst: file set or sizes differ ($(diff "$expected" "$work/got.copy" | grep -c '^[<>]') lines)"
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
  done <"$expected"
  (( bad == 0 )) || fail "$layout copy in $dst: $bad sampled files differ in content"
}

# The plain-search pairs shared by the modes: find, fdfind, bfs (each when
# installed) and the program, interleaved, the paths of each checked against
# find's.  run_search_pairs TAG ROOT [EXTRA_FD_JOBS...]
#   leaves TAG.find.ms, TAG.fd.ms, TAG.bfs.ms, TAG.search.ms, TAG.answers
#   and TAG.find.txt (find's last paths) in $work.
run_search_pairs() {
  local tag=$1 root=$2 i j out
  shift 2
  local w=$work/$tag
  : >"$w.find.ms"; : >"$w.fd.ms"; : >"$w.bfs.ms"; : >"$w.search.ms"; : >"$w.answers"
  for j in "$@"; do : >"$w.fdj$j.ms"; done
  for ((i = 1; i <= runs; i++)); do
    "${between_runs[@]}"
    time_into "$w.find.ms" "$w.find.txt" find "$root" "${find_patterns[@]}" -print
    if have fdfind; then
      "${between_runs[@]}"
      time_into "$w.fd.ms" "$w.fd.txt" fdfind "${fd_flags[@]}" "${fd_patterns[@]}" "$root"
      same_paths "$w.find.txt" "$w.fd.txt" "$tag fdfind run $i"
      for j in "$@"; do
        "${between_runs[@]}"
        time_into "$w.fdj$j.ms" "$w.fd.txt" fdfind -j "$j" "${fd_flags[@]}" "${fd_patterns[@]}" "$root"
        same_paths "$w.find.txt" "$w.fd.txt" "$tag fdfind -j$j run $i"
      done
    fi
    if have bfs; then
      "${between_runs[@]}"
      time_into "$w.bfs.ms" "$w.bfs.txt" bfs "$root" "${find_patterns[@]}" -print
      same_paths "$w.find.txt" "$w.bfs.txt" "$tag bfs run $i"
    fi
    "${between_runs[@]}"
    out=$w.search$i
    PATHWREN_BENCH_ANSWERS=$w.answers app search "$root" "$patterns_text" "$w.search.paths" >"$out" || fail "$tag search run $i exited with $?"
    val search_ms "$out" >>"$w.search.ms"
    [[ $(val search_ended "$out") == yes ]] || fail "$tag search run $i did not end with the end banner"
    same_paths "$w.find.txt" "$w.search.paths" "$tag search run $i (hits against find's paths, duplicates kept)"
  done
}
between_runs=(true)

# The rows of those pairs.  search_rows TAG FD_TARGET [EXTRA_FD_JOBS...]
search_rows() {
  local tag=$1 fd_target=$2 j
  shift 2
  local w=$work/$tag prog_ms hits note
  prog_ms=$(median <"$w.search.ms")
  hits=$(val search_hits "$w.search1")
  note=", $(thousands "$hits") hits (the same paths)"
  local paths
  paths=$(thousands "$(wc -l <"$w.find.txt")")
  if [[ -s $w.fd.ms ]]; then
    baseline_row "plain search vs \`fdfind ${fd_flags[*]}\`" "$fd_target" "$(median <"$w.fd.ms")" "$paths" "$prog_ms" "$note"
    for j in "$@"; do
      baseline_row "plain search vs \`fdfind -j$j\`" "${fd_jobs_target:-—}" "$(median <"$w.fdj$j.ms")" "$paths" "$prog_ms" "$note"
    done
  else
    echo "| plain search vs \`fdfind\` | $fd_target | not installed (Debian package fd-find) | $(sec "$prog_ms") | — |"
  fi
  if [[ -s $w.bfs.ms ]]; then
    baseline_row "plain search vs \`bfs\`" "—" "$(median <"$w.bfs.ms")" "$paths" "$prog_ms" "$note"
  else
    echo "| plain search vs \`bfs\` | — | not installed (Debian package bfs) | $(sec "$prog_ms") | — |"
  fi
  baseline_row "plain search vs \`find\`" "${find_target:-—}" "$(median <"$w.find.ms")" "$paths" "$prog_ms" "$note"
}

# 100k: plain search and search with copy -------------------------------------
mode_100k() {
  echo "100k: building the tree ..." >&2
  local root=$work/tree big=$work/big i
  make_tree "$root" "$work/tree.txt"
  mkdir "$big"
  dd if=/dev/zero of="$big/Huge_DATA.bin" bs=1M count=1024 status=none
  local load_before
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)

  # What a search with copy must leave at the destination: every normal
  # (not hidden) matching file, as path below the root and size.
  (cd "$root" && find . -type f ! -name '.*' "${find_patterns[@]}" -printf '%P\t%s\n') | sort >"$work/expected.copy"
  local expected_files expected_bytes
  expected_files=$(wc -l <"$work/expected.copy")
  expected_bytes=$(awk -F'\t' '{ s += $2 } END { print s + 0 }' "$work/expected.copy")

  echo "100k: $runs pairs of plain searches (find, fdfind, bfs, Pathwren) ..." >&2
  run_search_pairs 100k "$root"

  # Copies, interleaved: find | xargs cp, search with copy.
  echo "100k: $runs pairs of copies ..." >&2
  : >"$work/cp.ms"; : >"$work/copy.ms"; : >"$work/copy.stall"; : >"$work/copy.answers"
  for ((i = 1; i <= runs; i++)); do
    mkdir "$work/cp"
    local t
    t=$(now_ns)
    (cd "$root" && find . -type f ! -name '.*' "${find_patterns[@]}" -print0 | xargs -0 cp --parents -t "$work/cp")
    ms_since "$t" >>"$work/cp.ms"
    check_copy "$root" "$work/expected.copy" "$work/cp" nested
    rm -rf "$work/cp"

    mkdir "$work/dst"
    PATHWREN_BENCH_ANSWERS=$work/copy.answers app copy "$root" "$patterns_text" "$work/dst" >"$work/copy$i" || fail "copy run $i exited with $?"
    val copy_ms "$work/copy$i" >>"$work/copy.ms"
    val copy_max_stall_ms "$work/copy$i" >>"$work/copy.stall"
    [[ $(val copy_ended "$work/copy$i") == yes ]] || fail "copy run $i did not end with the end banner"
    [[ $(val copy_lines "$work/copy$i") == "$expected_files" ]] || fail "copy run $i: $(val copy_lines "$work/copy$i") copy lines, $expected_files files expected"
    check_copy "$root" "$work/expected.copy" "$work/dst" flat
    rm -rf "$work/dst"
  done

  echo "100k: 100,000 lines, memory, stop, big file ..." >&2
  : >"$work/lines.ms"
  for ((i = 1; i <= runs; i++)); do
    app lines 100000 >"$work/lines$i" || fail "lines run $i exited with $?"
    val lines_ms "$work/lines$i" >>"$work/lines.ms"
  done

  # Peak memory of a real search of more than 100,000 lines: "*" lists
  # every entry, "." and ".." included; then "クリアー(&C)".
  app memory "$root" '*' >"$work/memory" || fail "memory run exited with $?"
  local memory_lines
  memory_lines=$(val search_result_lines "$work/memory")
  (( memory_lines >= 100000 )) || fail "the memory run wrote only $memory_lines lines"

  # Stop clicks spread over the plain search and the search with copy, timed
  # from the fastest run so that even the last click falls within a search.
  local search_fastest copy_fastest percent kind total dst delay out
  search_fastest=$(sort -g "$work/100k.search.ms" | head -n 1)
  copy_fastest=$(sort -g "$work/copy.ms" | head -n 1)
  : >"$work/stop.ms"
  : >"$work/stop.stall"
  local late=0
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
      elif [[ $(val error "$out") == "the search ended before the stop click" ]]; then
        late=$((late + 1))   # a busy machine made the click come too late: no figure
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
    PATHWREN_BENCH_ANSWERS=$work/copy.answers app copy "$big" '*DATA*' "$work/dst" >"$work/big$i" || fail "big-file run $i exited with $?"
    val copy_max_stall_ms "$work/big$i" >>"$work/big.stall"
    val copy_ms "$work/big$i" >>"$work/big.ms"
    cmp -s "$big/Huge_DATA.bin" "$work/dst/$(printf '%s' "$big" | sed 's|/|￥|g')/Huge_DATA.bin" || fail "big-file run $i: the copy differs"
    rm -rf "$work/dst"
  done
  local load_after
  load_after=$(cut -d' ' -f1-3 /proc/loadavg)

  local cp_ms copy_ms lines_ms copy_ratio stall_copy stall_big stall hwm after stop_median stop_worst stop_count
  cp_ms=$(median <"$work/cp.ms")
  copy_ms=$(median <"$work/copy.ms")
  lines_ms=$(median <"$work/lines.ms")
  copy_ratio=$(ratio "$copy_ms" "$cp_ms")
  stall_copy=$(maxof <"$work/copy.stall")
  stall_big=$(maxof <"$work/big.stall")
  stall=$(printf '%s\n%s\n' "$stall_copy" "$stall_big" | maxof)
  hwm=$(mib "$(val vmhwm_kib "$work/memory")")
  after=$(mib "$(val vmrss_after_clear_kib "$work/memory")")
  stop_median=$(median <"$work/stop.ms")
  stop_worst=$(maxof <"$work/stop.ms")
  stop_count=$(wc -l <"$work/stop.ms")
  cat "$work/100k.answers" "$work/copy.answers" >"$work/all.answers"
  local answer_p99
  answer_p99=$(p99 "$work/all.answers")

  say
  say "### 100k files on $fstype"
  say
  say "Tree: $(tree_note "$work/tree.txt"); patterns \`$patterns_text\`, full expansion. Load average before: $load_before; after: $load_after."
  say
  table_head
  find_target="≤ 2×" search_rows 100k "≤ 1.0×" >>"$report"
  say "| search with copy vs \`find … \| xargs cp --parents\` | ≤ 1.0× | $(sec "$cp_ms") | $(sec "$copy_ms"), $(thousands "$expected_files") files, $(awk -v b="$expected_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }') (checked at the destination) | **${copy_ratio}×** $(verdict "$copy_ratio" 1.0 le) |"
  say "| 100,000 lines appended and shown, painting included | < 1 s | — | $(sec "$lines_ms") | $(verdict "$lines_ms" 1000 lt) |"
  say "| windows' answer time during the searches (events posted to the window; plain / with copy) | p99 ≤ 16 ms | — | $(answer_cell "$work/100k.answers") / $(answer_cell "$work/copy.answers") | $(verdict "$answer_p99" 16 le) |"
  say "| longest event-loop stall, search with copy / one 1 GiB file | < 50 ms | — | ${stall_copy} ms / ${stall_big} ms (worst of $runs / 3) | $(verdict "$stall" 50 lt) |"
  say "| peak memory of a real $(thousands "$memory_lines")-line search (\`*\`) | < 100 MiB | — | $hwm MiB (VmHWM); $after MiB after \"クリアー(&C)\" (VmRSS) | $(verdict "$hwm" 100 lt) |"
  say "| stop, click to end banner | < 50 ms | — | median $stop_median ms, worst $stop_worst ms ($stop_count clicks$( ((late)) && echo "; $late more came after the search had ended")) | $(verdict "$stop_worst" 50 lt) |"
  say
  say "Paints during the first plain search: list $(val paints_resultList "$work/100k.search1"), tree $(val paints_folderTree "$work/100k.search1"), other $(val paints_other "$work/100k.search1"); during the first search with copy: list $(val paints_resultList "$work/copy1"), tree $(val paints_folderTree "$work/copy1"), other $(val paints_other "$work/copy1")."
  rm -rf "$root" "$big"
}

# 1m: a million files, the patterns and "*" -----------------------------------
mode_1m() {
  echo "1m: building the tree (20,000 folders, 1,000,004 empty files) ..." >&2
  local root=$work/tree1m i
  make_tree "$root" "$work/tree1m.txt" 20000 1000000 names
  local load_before
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  echo "1m: $runs pairs of plain searches ..." >&2
  run_search_pairs 1m "$root"

  # "*": every entry, the folders' "." and ".." included.  find lists each
  # entry once; the program's lines less its "." and ".." lines must be the
  # same paths.
  echo "1m: $runs pairs of searches of \"*\" (memory, then クリアー) ..." >&2
  : >"$work/all.find.ms"; : >"$work/all.search.ms"; : >"$work/all.hwm"; : >"$work/all.after"; : >"$work/1m.all.answers"
  local out folders
  folders=$(( $(val tree_folders "$work/tree1m.txt") + 1 ))
  for ((i = 1; i <= runs; i++)); do
    time_into "$work/all.find.ms" "$work/all.find.txt" find "$root" -mindepth 1
    out=$work/all$i
    PATHWREN_BENCH_ANSWERS=$work/1m.all.answers app memory "$root" '*' "$work/all.paths" >"$out" || fail "1m \"*\" run $i exited with $?"
    val search_ms "$out" >>"$work/all.search.ms"
    val vmhwm_kib "$out" >>"$work/all.hwm"
    val vmrss_after_clear_kib "$out" >>"$work/all.after"
    [[ $(val search_ended "$out") == yes ]] || fail "1m \"*\" run $i did not end with the end banner"
    [[ $(val cleared_lines "$out") == 0 ]] || fail "1m \"*\" run $i: $(val cleared_lines "$out") lines left after クリアー"
    local dots
    dots=$(grep -c -e '/\.$' -e '/\.\.$' "$work/all.paths" || true)
    (( dots == 2 * folders )) || fail "1m \"*\" run $i: $dots lines of \".\" and \"..\", $((2 * folders)) expected"
    grep -v -e '/\.$' -e '/\.\.$' "$work/all.paths" >"$work/all.paths.entries"
    same_paths "$work/all.find.txt" "$work/all.paths.entries" "1m \"*\" run $i (entries against find's)"
  done
  local load_after
  load_after=$(cut -d' ' -f1-3 /proc/loadavg)

  local all_lines hwm after all_ms
  all_lines=$(val search_result_lines "$work/all1")
  hwm=$(mib "$(median <"$work/all.hwm")")
  after=$(mib "$(median <"$work/all.after")")
  all_ms=$(median <"$work/all.search.ms")
  cat "$work/1m.answers" "$work/1m.all.answers" >"$work/1m.both.answers"

  say
  say "### 1M files on $fstype"
  say
  say "Tree: $(tree_note "$work/tree1m.txt") (names of the 100k tree's kind, ten times as many). Load average before: $load_before; after: $load_after."
  say
  table_head
  find_target="—" search_rows 1m "≤ 1.0×" >>"$report"
  say "| search \`*\` vs \`find ROOT -mindepth 1\` | — | $(sec "$(median <"$work/all.find.ms")"), $(thousands "$(wc -l <"$work/all.find.txt")") paths | $(sec "$all_ms"), $(thousands "$all_lines") lines (the same entries, and \".\", \"..\" of each folder) | **$(ratio "$all_ms" "$(median <"$work/all.find.ms")")×** |"
  say "| peak memory of the \`*\` search, $(thousands "$all_lines") lines | < 150 MiB | — | $hwm MiB (VmHWM, median of $runs) | $(verdict "$hwm" 150 lt) |"
  say "| memory after \"クリアー(&C)\" | < 60 MiB | — | $after MiB (VmRSS half a second after the click, median of $runs) | $(verdict "$after" 60 lt) |"
  say "| windows' answer time during the searches (patterns / \`*\`) | p99 ≤ 16 ms | — | $(answer_cell "$work/1m.answers") / $(answer_cell "$work/1m.all.answers") | $(verdict "$(p99 "$work/1m.both.answers")" 16 le) |"
  rm -rf "$root" "$work/all.paths" "$work/all.paths.entries" "$work/all.find.txt"
}

# latency: a FUSE passthrough that waits in every request ---------------------
mode_latency() {
  local delay=${PATHWREN_LATENCY_MS:-1}
  if ! have fusermount || ! /usr/bin/python3 -c 'import fuse' 2>/dev/null || [[ ! -e /dev/fuse ]]; then
    say
    say "### High latency: not measured"
    say
    say "python3-fuse (Debian package python3-fuse, with /usr/bin/python3), fusermount or /dev/fuse is missing."
    return
  fi
  echo "latency: building the tree (400 folders, 20,004 empty files) ..." >&2
  local src=$work/latency-src mnt=$work/latency
  make_tree "$src" "$work/treelat.txt" 400 20000 names
  mkdir "$mnt"
  PATHWREN_LATENCY_MS=$delay /usr/bin/python3 "$here/bench/latencyfs.py" "$src" "$mnt" \
    -o ro,fsname=pathwren-latency,subtype=latency >>"$work/latencyfs.log" 2>&1 &
  local i
  for i in $(seq 100); do
    grep -q " $mnt fuse" /proc/mounts && break
    sleep 0.1
  done
  if ! grep -q " $mnt fuse" /proc/mounts; then
    fail "latency: the FUSE passthrough did not mount ($(tail -n 3 "$work/latencyfs.log"))"
    return
  fi
  fuse_mount=$mnt
  # Through the mount the tree is the same tree.
  (cd "$src" && find .) >"$work/latency.src.txt"
  (cd "$mnt" && find .) >"$work/latency.mnt.txt"
  same_paths "$work/latency.src.txt" "$work/latency.mnt.txt" "latency: the tree through the passthrough"
  local load_before
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  # The kernel keeps a FUSE entry and its attributes for 1 s: each run
  # starts after they have expired, as on a share not visited a moment ago.
  between_runs=(sleep 1.2)
  echo "latency: $runs pairs over the passthrough ($delay ms a request) ..." >&2
  run_search_pairs latency "$mnt" 16
  between_runs=(true)
  local load_after
  load_after=$(cut -d' ' -f1-3 /proc/loadavg)
  fusermount -u "$mnt" && fuse_mount=

  say
  say "### High latency: a FUSE passthrough waiting $delay ms in every request"
  say
  say "Tree: $(tree_note "$work/treelat.txt"), read-only through \`bench/latencyfs.py\` (python3-fuse, requests answered on several threads); a pause of 1.2 s before each run lets the kernel's 1 s entry and attribute caches expire. Load average before: $load_before; after: $load_after."
  say
  table_head
  fd_jobs_target="≤ 2×" find_target="≤ 1.0×" search_rows latency "—" 16 >>"$report"
  say "| windows' answer time during the searches | p99 ≤ 16 ms | — | $(answer_cell "$work/latency.answers") | $(verdict "$(p99 "$work/latency.answers")" 16 le) |"
  rm -rf "$src"
}

# cold: the page, inode and dentry caches dropped before every run ------------
mode_cold() {
  local dir=${PATHWREN_BENCH_COLD_DIR:-/var/tmp} why=
  say
  if [[ $(id -u) -ne 0 ]]; then
    why="not root: dropping the caches (echo 3 > /proc/sys/vm/drop_caches) needs root"
  elif ! (sync && echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
    why="this machine does not allow dropping the caches (writing /proc/sys/vm/drop_caches failed)"
  elif [[ ! -d $dir ]]; then
    why="$dir does not exist (PATHWREN_BENCH_COLD_DIR)"
  else
    case $(stat -f -c %T "$dir") in
      tmpfs|ramfs|overlayfs|fuseblk|fuse|nfs*|cifs|smb*)
        why="$dir is on $(stat -f -c %T "$dir"), not a disk file system (PATHWREN_BENCH_COLD_DIR)" ;;
    esac
  fi
  if [[ -n $why ]]; then
    say "### Cold cache: NOT MEASURED"
    say
    say "Cold cache not measured: $why."
    echo "cold: not measured: $why" >&2
    return
  fi
  cold_dir=$(mktemp -d "$dir/pathwren-cold.XXXXXX")
  local root=$cold_dir/tree disk
  disk=$(findmnt -n -o FSTYPE --target "$cold_dir" 2>/dev/null || stat -f -c %T "$cold_dir")
  disk="$disk on $(findmnt -n -o SOURCE --target "$cold_dir" 2>/dev/null || echo "a disk")"
  echo "cold: building the tree on $disk in $cold_dir ..." >&2
  make_tree "$root" "$work/treecold.txt" 2000 100000 names
  mkdir "$work/empty"
  # A run starts with the caches dropped and the tool itself loaded again
  # (its --version, or for the program a search of an empty folder), so
  # that only the tree is read from the disk.
  drop() { sync; echo 3 >/proc/sys/vm/drop_caches; }
  cold_fd() { drop; fdfind --version >/dev/null; }
  cold_find() { drop; find --version >/dev/null; }
  cold_app() { drop; app search "$work/empty" '*' >/dev/null || true; }
  local w=$work/cold i out
  : >"$w.fd.ms"; : >"$w.find.ms"; : >"$w.search.ms"; : >"$w.answers"; : >"$w.warm.ms"
  local load_before
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  echo "cold: $runs pairs, the caches dropped before each run ..." >&2
  for ((i = 1; i <= runs; i++)); do
    cold_find
    time_into "$w.find.ms" "$w.find.txt" find "$root" "${find_patterns[@]}" -print
    if have fdfind; then
      cold_fd
      time_into "$w.fd.ms" "$w.fd.txt" fdfind "${fd_flags[@]}" "${fd_patterns[@]}" "$root"
      same_paths "$w.find.txt" "$w.fd.txt" "cold fdfind run $i"
    fi
    cold_app
    out=$w.search$i
    PATHWREN_BENCH_ANSWERS=$w.answers app search "$root" "$patterns_text" "$w.search.paths" >"$out" || fail "cold search run $i exited with $?"
    val search_ms "$out" >>"$w.search.ms"
    [[ $(val search_ended "$out") == yes ]] || fail "cold search run $i did not end with the end banner"
    same_paths "$w.find.txt" "$w.search.paths" "cold search run $i (hits against find's paths)"
  done
  # find again with the caches warm: the drop has to show.
  for ((i = 1; i <= 3; i++)); do
    time_into "$w.warm.ms" /dev/null find "$root" "${find_patterns[@]}" -print
  done
  local load_after
  load_after=$(cut -d' ' -f1-3 /proc/loadavg)
  local prog_ms paths note
  prog_ms=$(median <"$w.search.ms")
  paths=$(thousands "$(wc -l <"$w.find.txt")")
  note=", $(thousands "$(val search_hits "$w.search1")") hits (the same paths)"
  say "### Cold cache: $disk under $dir"
  say
  say "Tree: $(tree_note "$work/treecold.txt"). Before every run: \`sync; echo 3 > /proc/sys/vm/drop_caches\`, then the tool loaded again. The same find with the caches warm: $(sec "$(median <"$w.warm.ms")"). Load average before: $load_before; after: $load_after."
  say
  table_head
  if [[ -s $w.fd.ms ]]; then
    baseline_row "plain search, cold, vs \`fdfind ${fd_flags[*]}\`" "≤ 1.0×" "$(median <"$w.fd.ms")" "$paths" "$prog_ms" "$note" >>"$report"
  fi
  baseline_row "plain search, cold, vs \`find\`" "—" "$(median <"$w.find.ms")" "$paths" "$prog_ms" "$note" >>"$report"
  say "| windows' answer time during the searches | p99 ≤ 16 ms | — | $(answer_cell "$w.answers") | $(verdict "$(p99 "$w.answers")" 16 le) |"
  rm -rf "$cold_dir"
  cold_dir=
}

# cli: the command line vs fdfind and find -------------------------------------
# `pathwren --search PATTERNS --paths ROOT` (every hit printed, no display)
# against fdfind and find on the 100k tree, pairs interleaved, the paths of
# each checked against find's, duplicates kept.
mode_cli() {
  local root=$work/tree i
  [[ -d $root ]] || make_tree "$root" "$work/tree.txt"
  local w=$work/cli
  : >"$w.find.ms"; : >"$w.fd.ms"; : >"$w.cli.ms"
  echo "cli: $runs pairs of command-line searches (find, fdfind, pathwren --search) ..." >&2
  for ((i = 1; i <= runs; i++)); do
    time_into "$w.find.ms" "$w.find.txt" find "$root" "${find_patterns[@]}" -print
    if have fdfind; then
      time_into "$w.fd.ms" "$w.fd.txt" fdfind "${fd_flags[@]}" "${fd_patterns[@]}" "$root"
      same_paths "$w.find.txt" "$w.fd.txt" "cli fdfind run $i"
    fi
    time_into "$w.cli.ms" "$w.cli.txt" env -u DISPLAY -u WAYLAND_DISPLAY "$program" --search "$patterns_text" --paths "$root"
    same_paths "$w.find.txt" "$w.cli.txt" "cli run $i (printed paths against find's, duplicates kept)"
  done
  local prog_ms paths note
  prog_ms=$(median <"$w.cli.ms")
  paths=$(thousands "$(wc -l <"$w.find.txt")")
  note=", $(thousands "$(wc -l <"$w.cli.txt")") paths printed (the same)"
  say
  say "### The command line: \`pathwren --search '$patterns_text' --paths ROOT\`, no display"
  say
  table_head
  if [[ -s $w.fd.ms ]]; then
    baseline_row "command line vs \`fdfind ${fd_flags[*]}\`" "—" "$(median <"$w.fd.ms")" "$paths" "$prog_ms" "$note" >>"$report"
  fi
  baseline_row "command line vs \`find\`" "—" "$(median <"$w.find.ms")" "$paths" "$prog_ms" "$note" >>"$report"
}

for m in 100k 1m latency cold cli; do
  if want "$m"; then "mode_$m"; fi
done

echo
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC'); the machine's other work shows in the load averages, and the ratios of interleaved pairs move less than the times."
cat "$report"
if ((${#failures[@]})); then
  echo
  echo "CHECKS FAILED:"
  printf -- '- %s\n' "${failures[@]}"
  exit 1
fi
