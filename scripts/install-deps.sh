#!/usr/bin/env bash
# Installs what Pathwren needs on Debian 12; installs only what is missing.
# Works as root or through sudo.
#   scripts/install-deps.sh run      building and running the program
#   scripts/install-deps.sh package  the above, and making the .deb (dpkg-buildpackage)
#   scripts/install-deps.sh test     all of it, and the tests and checks (default)
#   scripts/install-deps.sh bench    building and running, and the benchmark (bench/run.sh)
set -euo pipefail

set_name=${1:-test}

# Building and running: compiler, CMake, Qt 6 (with moc and OpenGL headers
# by dependency), libxcb for closing other programs' dialogs, the Japanese
# font of every caption and Qt's Japanese texts for its own dialogs.
run_packages=(
  build-essential cmake
  qt6-base-dev libxcb1-dev
  fonts-ipafont-gothic qt6-translations-l10n
)
# The .deb (dpkg-buildpackage): debhelper, on top of the build dependencies
# that debian/control lists, which are all in the set above.
package_packages=(debhelper)
# Tests and checks: Xvfb, a window manager and XTEST for the end-to-end and
# desktop tests, Debian's Adwaita style for the test that lays the windows
# out in every installed style, clang-tidy for the naming check, clang and
# its fuzzing runtime; for the package check xwininfo and file, the desktop
# entry and AppStream validators, lintian, blhc (the build log's hardening
# flags) and devscripts (hardening-check).
test_packages=(
  xvfb jwm x11-utils libxcb-xtest0-dev
  adwaita-qt6
  clang libclang-rt-14-dev clang-tidy
  file desktop-file-utils appstream lintian blhc devscripts
)

# The benchmark, not part of the tests: its display, and the tools it
# measures against (fd, bfs) or runs (python3-fuse for the passthrough that
# stands in for a slow network share).
bench_packages=(xvfb fd-find bfs python3-fuse)

case "$set_name" in
  run) packages=("${run_packages[@]}") ;;
  package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
  bench) packages=("${run_packages[@]}" "${bench_packages[@]}") ;;
  *) echo "usage: $0 [run|package|test|bench]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
