#!/usr/bin/env bash
# Builds the Debian package as the README says (dpkg-buildpackage, debian/)
# and checks it the way an installation would use it: the package's
# fields, its files unpacked into a temporary root (dpkg -x), the desktop
# entry and AppStream metadata validated, and the unpacked program started
# by a user who cannot write there (nobody, when run as root), on its own
# Xvfb: both windows must appear with the window class the desktop entry
# names, and the log must land in the user's state folder.  The builds run in copies of the source tree (what git would
# commit: tracked and new files, not ignored ones) in a temporary folder,
# where dpkg-buildpackage also writes the packages; nothing is left in the
# tree.  Needs the test packages (scripts/install-deps.sh test).
#   scripts/check-package.sh
set -euo pipefail
. "$(dirname "$0")/xvfb.sh"
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_BUILD_DIR:-$here/build}

fail() { echo "check-package: $*" >&2; exit 1; }

cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" --target pathwren_xtool -j"$(nproc)" >/dev/null
tool=$build/tests/e2e/pathwren_xtool

work=$(mktemp -d /tmp/pathwren-package.XXXXXX)
chmod 755 "$work"
xvfb_pid=
program_pid=
finish() {
  [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# copy_source DIR [TAR-OPTION]: the source tree as git sees it, into DIR.
copy_source() {
  mkdir -p "$1"
  (cd "$here" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [[ -e $f ]] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -C "$1" "${@:2}" -xf -
}

# package DIR ARGS...: dpkg-buildpackage in DIR, its output in DIR's parent.
package() {
  local dir=$1 start=$SECONDS
  shift
  (cd "$dir" && dpkg-buildpackage -us -uc -j"$(nproc)" "$@") >"$dir.log" 2>&1 ||
    { tail -n 60 "$dir.log" >&2; fail "dpkg-buildpackage failed in $dir (log above)"; }
  echo "built in $((SECONDS - start)) s: $(cd "$(dirname "$dir")" && ls -- *.deb | tr '\n' ' ')"
}

began=$SECONDS
echo "== package (dpkg-buildpackage -us -uc)"
first=$work/first/pathwren
copy_source "$first"
package "$first"
deb=$(ls "$work"/first/pathwren_*.deb)
[[ -f $(ls "$work"/first/pathwren-dbgsym_*.deb) ]] || fail "no debug-symbols package"

echo "== fields"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
# libxcb1: the build found libxcb, which closes other programs' dialogs during a search.
for want in "fonts-ipafont-gothic | fonts-japanese-gothic" libqt6widgets6 libxcb1 libc6; do
  [[ "$depends" == *"$want"* ]] || fail "Depends lacks $want"
done
for want in qt6-translations-l10n xdg-utils; do
  [[ "$recommends" == *"$want"* ]] || fail "Recommends lacks $want"
done
[[ "$depends" != *qt6-translations-l10n* ]] || fail "Qt's translations are a dependency, not a recommendation"

echo "== unpacked files"
root=$work/root
dpkg -x "$deb" "$root"
usr=$root/usr
[[ -x $usr/bin/pathwren ]] || fail "no usr/bin/pathwren"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$usr/share/doc/pathwren/copyright" || fail "no machine-readable copyright file"
[[ -s $usr/share/icons/hicolor/scalable/apps/pathwren.svg ]] || fail "no scalable icon"
for size in 16 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/pathwren.png
  file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "$png is not a $size x $size PNG"
done
desktop=$usr/share/applications/pathwren.desktop
desktop-file-validate "$desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml || fail "AppStream metadata invalid"
# The installed tree stays read-only for whoever runs the program.
chmod -R a-w "$root"

echo "== installed program, started by a user who cannot write beside it"
home=$work/home
runtime=$work/runtime
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
as_user=()
if [[ $(id -u) -eq 0 ]]; then
  chown nobody:nogroup "$home" "$runtime"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
[[ -w $usr/bin ]] && [[ $(id -u) -ne 0 ]] && fail "the unpacked tree is writable"

start_xvfb "$work" 1280x1024x24 || fail "Xvfb did not start"

"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" DISPLAY="$DISPLAY" \
  LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb "$usr/bin/pathwren" >"$work/pathwren.out" 2>&1 &
program_pid=$!
"$tool" wait "Pathwren" 20 >/dev/null || { cat "$work/pathwren.out" >&2; fail "the main window did not appear"; }
"$tool" wait "Pathwren（検索結果）" 20 >/dev/null || { cat "$work/pathwren.out" >&2; fail "the result window did not appear"; }
echo "both windows shown"

wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
shown=$(xwininfo -root -tree | grep -c "(\"pathwren\" \"$wm_class\")" || true)
((shown >= 2)) || { xwininfo -root -tree | grep -i pathwren >&2; fail "no windows of class $wm_class"; }
echo "window class $wm_class, as the desktop entry says"

# Closed as from its close box; a request that comes while the program is
# still settling can go unanswered, so it is repeated.
ended() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  stat=${stat##*) }
  [[ ${stat%% *} == Z ]]
}
requests=0
while ! ended "$program_pid" && ((requests < 10)); do
  "$tool" close "Pathwren" || true
  requests=$((requests + 1))
  for _ in $(seq 20); do
    ended "$program_pid" && break
    sleep 0.1
  done
done
ended "$program_pid" || fail "the program did not end when its main window was closed"
status=0
wait "$program_pid" || status=$?
program_pid=
((status == 0)) || { cat "$work/pathwren.out" >&2; fail "the program ended with status $status"; }
echo "ended after $requests close request(s)"

log=$home/.local/state/Pathwren/Pathwren.log
[[ -f $log ]] || { find "$home" >&2; fail "no log at $log"; }
grep -q '#,"System Start\.\.\."' "$log" || fail "no start record in $log"
grep -q '#,"System End\.\.\."' "$log" || fail "no end record in $log"
[[ ! -e $usr/bin/Pathwren.log ]] || fail "a log beside the installed program"
echo "log: ~/.local/state/Pathwren/Pathwren.log, $(wc -l <"$log") records"
echo "== package checked in $((SECONDS - began)) s"
