#!/usr/bin/env bash
# Runs a cross-built exe under Wine in the prefix that scripts/test prepared.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/build/win32/wineprefix}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
