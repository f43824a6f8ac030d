#!/bin/sh
# Builds the three configurations and runs every test: the host suite with
# sanitizers, the fuzz smoke runs, the media checks, the Windows suite and
# the end-to-end tests under Wine (once with code page 936, once without),
# the import check of both executables, and the release archives.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=${PELOMAR_JOBS:-2}
for preset in host win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# Wine needs an X display even for the windowless tests; the end-to-end
# tests start X servers of their own.
xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  read_fd_file=$(mktemp)
  Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp > "$read_fd_file" 2>/dev/null &
  xvfb=$!
  i=0
  while [ ! -s "$read_fd_file" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  DISPLAY=":$(head -n 1 "$read_fd_file")"
  export DISPLAY
  rm -f "$read_fd_file"
fi
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

status=0
ctest --preset host || status=1
ctest --preset host-fuzz || status=1
ctest --preset win32 || status=1
echo "== Windows tests, code page 936 (LANG=zh_CN.UTF-8)"
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 ctest --preset win64 || status=1
echo "== Windows tests, another code page (LANG=C.UTF-8)"
LANG=C.UTF-8 LC_ALL=C.UTF-8 ctest --preset win64 || status=1
echo "== Release archives"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
{ tools/release.sh &&
  /usr/bin/python3 tests/release/check_release.py dist "$version" win64=build/win64/Pelomar.exe \
    win32=build/win32/Pelomar.exe; } || status=1
exit $status
