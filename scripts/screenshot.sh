#!/usr/bin/env bash
# Takes docs/screenshot.png: both windows after a small search, on a private
# X server (Xvfb) under a window manager (jwm), so that they show with the
# frames users see, with a temporary home folder holding a few sample files.
# Needs xvfb, jwm and fonts-ipafont-gothic (scripts/install-deps.sh) and the
# build's pathwren and pathwren_xtool, which it builds when missing.
#
# With "exclusions" it takes docs/exclusions.png instead: the folder tree's
# menu opened on a folder, beside a folder left out by name.
#
#   scripts/screenshot.sh [exclusions] [OUTPUT.png]
set -euo pipefail
. "$(dirname "$0")/xvfb.sh"
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_BUILD_DIR:-$here/build}
mode=search
if [[ "${1:-}" == exclusions ]]; then
  mode=exclusions
  shift
fi
if [[ $mode == exclusions ]]; then
  out=${1:-$here/docs/exclusions.png}
else
  out=${1:-$here/docs/screenshot.png}
fi

if [[ ! -x "$build/bin/pathwren" || ! -x "$build/tests/e2e/pathwren_xtool" ]]; then
  cmake -S "$here" -B "$build" >/dev/null
  cmake --build "$build" --target pathwren pathwren_xtool -j"$(nproc)"
fi
tool=$build/tests/e2e/pathwren_xtool

work=$(mktemp -d /tmp/pathwren-demo.XXXXXX)
xvfb_pid=
wm_pid=
program_pid=
finish() {
  [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# Sample files; the program runs from a copy, as an installed one does,
# and logs into a state folder of its own here.
# Enough folders that the expanded home fills the tree.
home=$work/home
mkdir -p "$work/config/Pathwren" "$work/bin" "$work/runtime"
chmod 700 "$work/runtime"
for d in デスクトップ ダウンロード テンプレート 公開 ミュージック ビデオ \
         ピクチャ/旅行 ドキュメント/報告書/古い資料 ドキュメント/議事録 データ/集計; do
  mkdir -p "$home/$d"
done
echo "月次報告" >"$home/ドキュメント/報告書/月次報告.txt"
echo "見積" >"$home/ドキュメント/報告書/古い資料/見積書.doc"
echo "議事録" >"$home/ドキュメント/議事録/定例会議.doc"
echo "1,2,3" >"$home/データ/DATA_2024.csv"
echo "集計" >"$home/データ/集計/売上DATA.xls"
echo "旅行" >"$home/ピクチャ/旅行/海.jpg"
echo "買い物" >"$home/メモ.txt"
if [[ $mode == exclusions ]]; then
  mkdir -p "$home/node_modules/left-pad" "$home/.git"
fi
cp "$build/bin/pathwren" "$work/bin/pathwren"
cat >"$work/config/Pathwren/Pathwren.ini" <<EOF
[Setting]
Pattern="*.txt;*.doc;*DATA*"
CopyPath=$home/コピー先
Left=1000
Top=1000
Width=7500
Height=6000
EOF
if [[ $mode == exclusions ]]; then
  echo "ExcludedNames=node_modules" >>"$work/config/Pathwren/Pathwren.ini"
fi

start_xvfb "$work" 1280x1024x24 || { echo "screenshot: Xvfb did not start" >&2; exit 1; }

# jwm with a configuration of its own (no panel).
printf '<?xml version="1.0"?>\n<JWM>\n  <FocusModel>click</FocusModel>\n</JWM>\n' >"$work/jwmrc"
HOME=$work jwm -f "$work/jwmrc" >"$work/jwm.log" 2>&1 &
wm_pid=$!
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# A window that appears under the pointer can miss its first click.
"$tool" move 1279 1023
HOME=$home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime \
  QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
  "$work/bin/pathwren" >"$work/pathwren.out" 2>&1 &
program_pid=$!

# Outer rectangles (frames included), then the windows' own areas, read
# once the window manager has framed and placed both.
"$tool" wait "Pathwren" 15 >/dev/null
"$tool" wait "Pathwren（検索結果）" 15 >/dev/null
sleep 1
read -r mx my mw mh cx cy cw ch < <("$tool" wait "Pathwren" 15)
read -r rx ry rw rh _ < <("$tool" wait "Pathwren（検索結果）" 15)

# The home folder is the third row of the tree (マイ コンピュータ, /, home);
# the tree starts 1230 twips (82 px) down the window.
"$tool" select-row "Pathwren" 2 84 $((cw - 16)) 200 2
# "検索実行(&E)" at 375,60 twips, 100 x 20 px.
"$tool" click $((cx + 25 + 50)) $((cy + 4 + 10))
sleep 2

if [[ $mode == exclusions ]]; then
  # The home's children are shown now: the menu on the first of them
  # (".git"), opened with the right button on its row.
  "$tool" select-row "Pathwren" 2 84 $((cw - 16)) 300 3
  read -r top height < <("$tool" band "Pathwren" 2 84 $((cw - 16)) 300)
  "$tool" right-click $((cx + 2 + cw / 3)) $((cy + 84 + top + height / 2))
  sleep 1
  mkdir -p "$(dirname "$out")"
  "$tool" grab "$mx" "$my" "$mw" "$mh" "$out"
  for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    "$tool" close "Pathwren" || true
    sleep 0.2
  done
  echo "screenshot: $out"
  exit 0
fi

mkdir -p "$(dirname "$out")"
"$tool" grab "$mx" "$my" $((rx + rw - mx)) "$mh" "$out"
# A close during the search only stops it; the next one ends the program.
for _ in $(seq 50); do
  kill -0 "$program_pid" 2>/dev/null || break
  "$tool" close "Pathwren" || true
  sleep 0.2
done
echo "screenshot: $out"
