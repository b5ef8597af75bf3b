#!/usr/bin/env bash
# Naming checks over the sources: clang-tidy's identifier naming (.clang-tidy)
# on src/, and no type-prefixed name (m_blnStop, strText ...) anywhere in
# the code.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PATHWREN_LINT_BUILD_DIR:-$here/build-lint}
cd "$here"

prefixed='\bm_(bln|lng|str|hWnd|int)[A-Z]|\b(str|lng|bln)[A-Z][A-Za-z]*\b'
if grep -rnE "$prefixed" src tests bench fuzz; then
  echo "lint: type-prefixed names above" >&2
  exit 1
fi

# The compile commands clang-tidy reads.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
find src -name '*.cpp' ! -name 'foreigndialog_none.cpp' -print0 |
  xargs -0 -P"$(nproc)" -n4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "lint: names are in order"
