#!/bin/sh
# Runs a Windows program under wine64 with this build's private prefix.
# PELOMAR_WINEPREFIX may point elsewhere; by default the prefix lives next to the program.
set -e
prog=$1; shift
dir=$(cd "$(dirname "$prog")" && pwd)
: "${PELOMAR_WINEPREFIX:=$dir/wineprefix}"
export WINEPREFIX="$PELOMAR_WINEPREFIX"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG--all}"
export WINEARCH=win64
# A private home whose ALSA configuration gives Wine one null wave-output device.
if [ -z "${PELOMAR_KEEP_HOME:-}" ]; then
  mkdir -p "$WINEPREFIX/../winehome"
  home=$(cd "$WINEPREFIX/../winehome" && pwd)
  [ -f "$home/.asoundrc" ] || echo 'pcm.!default { type null }' > "$home/.asoundrc"
  export HOME="$home"
fi
exec /usr/lib/wine/wine64 "$prog" "$@"
