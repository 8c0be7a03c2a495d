#!/usr/bin/env bash
# Runs a cross-built exe under Wine in the prefix of its width that
# scripts/wine-env prepared:
#
#   wine-emulator.sh 32|64 program.exe [arguments]
#
# The 64-bit exe goes to Wine's 64-bit loader itself: Debian's wine script
# would try the 32-bit loader first, which some machines can't run.
width=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$root/build/win$width/wineprefix" WINEDEBUG=${WINEDEBUG:--all}
if [ "$width" = 64 ]; then
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  exec /usr/lib/wine/wine64 "$@"
fi
export WINEARCH=win32
exec wine "$@"
