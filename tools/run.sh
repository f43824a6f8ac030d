#!/bin/sh
# Builds Pelomar.exe and starts it under Wine (on Windows, run the built
# build/win64/Pelomar.exe directly). Arguments are passed to the program,
# for example: tools/run.sh 隐藏
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh run
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Pelomar -j "${PELOMAR_JOBS:-2}"
export WINEPREFIX="$PWD/build/win64/run-prefix"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG--all}"
export WINEARCH=win64
if [ -z "${DISPLAY:-}" ]; then
  echo "run: no X display (DISPLAY is empty); start Pelomar from a desktop session" >&2
  exit 1
fi
# A Chinese locale gives Wine the code page and fonts of the intended system.
if locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
fi
exec /usr/lib/wine/wine64 build/win64/Pelomar.exe "$@"
