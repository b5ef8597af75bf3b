#!/usr/bin/env bash
# Builds the Debian package as the README says (dpkg-buildpackage, debian/)
# and checks it the way Debian and an installation would: lintian (no error
# and no warning; pedantic, informational and experimental tags are shown),
# the hardening flags in the build log (blhc) and in the program
# (hardening-check), a second build from another folder with other file
# times that must give the same bytes, the package's fields and versions,
# its files unpacked into a temporary root (dpkg -x), the desktop entry and
# AppStream metadata validated, the program without a display, and the
# unpacked program started by a user who cannot write there (nobody, when
# run as root), on its own Xvfb: both windows must appear with the window
# class the desktop entry names, and the log must land in the user's state
# folder.  The builds run in copies of the source tree (what git would
# commit: tracked and new files, not ignored ones) in a temporary folder,
# where dpkg-buildpackage also writes the packages; nothing is left in the
# tree.  Needs the test packages (scripts/install-deps.sh test).
#   scripts/check-package.sh
#   PATHWREN_PACKAGE_ONCE=1 scripts/check-package.sh    without the second build
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
changes=$(ls "$work"/first/pathwren_*.changes)
deb=$(ls "$work"/first/pathwren_*.deb)
[[ -f $(ls "$work"/first/pathwren-dbgsym_*.deb) ]] || fail "no debug-symbols package"

echo "== lintian"
lintian_out=$work/lintian.txt
status=0
lintian --display-info --display-experimental --display-level +pedantic --fail-on error,warning \
  "$changes" >"$lintian_out" 2>&1 || status=$?
grep -v '^running with root privileges' "$lintian_out" || true
((status == 0)) || fail "lintian found errors or warnings (status $status)"
echo "no error or warning"

echo "== hardening"
# Every compile and link line of the build took Debian's flags: stack
# protector, fortify, format checks, relro and bindnow.
blhc --bindnow "$first.log" || fail "build flags missing (blhc)"
echo "build log: every command took the hardening flags"

if [[ -z ${PATHWREN_PACKAGE_ONCE:-} ]]; then
  echo "== a second build, from another folder with other file times"
  second=$work/second-build/elsewhere/pathwren-copy
  copy_source "$second" --touch
  package "$second" -b
  for file in "$work"/first/*.deb; do
    other=$work/second-build/elsewhere/$(basename "$file")
    if ! cmp -s "$file" "$other"; then
      command -v diffoscope >/dev/null && diffoscope "$file" "$other" | head -n 80 >&2
      fail "$(basename "$file") differs between the two builds"
    fi
  done
  echo "the same bytes: $(cd "$work/first" && ls -- *.deb | tr '\n' ' ')"
fi

echo "== fields"
version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
released=$(date -u -d "$(dpkg-parsechangelog -l "$here/debian/changelog" -S Date)" +%F)
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Version: $version"
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
# Not asked of hardening-check: control flow integrity, which Debian 12's
# build flags do not ask for (nor stack clash protection, which it only
# reports); and fortified functions, as this C++ program's copies go
# through buffers whose sizes are unknown when compiled, leaving it none to
# fortify (blhc above checks that every compile took the flag).
hardening_skips=(--nocfprotection --nofortify)
root=$work/root
dpkg -x "$deb" "$root"
usr=$root/usr
[[ -x $usr/bin/pathwren ]] || fail "no usr/bin/pathwren"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$usr/share/doc/pathwren/copyright" || fail "no machine-readable copyright file"
[[ -s $usr/share/doc/pathwren/changelog.gz ]] || fail "no changelog"
[[ -s $usr/share/man/man1/pathwren.1.gz ]] || fail "no manual page"
[[ $("$usr/bin/pathwren" --version | head -n1) == "Pathwren $version" ]] ||
  fail "the program's version is not the changelog's $version"
grep -q "<release version=\"$version\" date=\"$released\"" "$usr"/share/metainfo/*.metainfo.xml ||
  fail "the AppStream metadata does not name release $version of $released"
hardening-check "${hardening_skips[@]}" "$usr/bin/pathwren" || fail "hardening-check"
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

echo "== without a display"
status=0
said=$(env -i PATH=/usr/bin:/bin HOME="$work" "$usr/bin/pathwren" 2>&1) || status=$?
[[ $status -eq 1 && $said == "pathwren: no display: neither DISPLAY nor WAYLAND_DISPLAY is set" ]] ||
  fail "without a display: status $status, said: $said"
echo "$said (status 1)"

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
