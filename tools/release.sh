#!/bin/sh
# Builds Pelomar.exe for 64-bit and 32-bit Windows and packs each, with its
# usage note in Chinese, into dist/Pelomar-<version>-win64.zip and
# dist/Pelomar-<version>-win32.zip. The version is the CMake project version.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Pelomar -j "${PELOMAR_JOBS:-2}"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
[ -n "$version" ] || { echo "release: no project version in build/win64/CMakeCache.txt" >&2; exit 1; }
rm -f dist/Pelomar-"$version"-win64.zip dist/Pelomar-"$version"-win32.zip
/usr/bin/python3 tools/release/pack.py "$version" dist win64=build/win64/Pelomar.exe win32=build/win32/Pelomar.exe
