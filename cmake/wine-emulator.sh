#!/usr/bin/env bash
# Runs a cross-built exe under Wine in the prefix of its width that
# scripts/wine-env prepared, with that width's loader:
#
#   wine-emulator.sh 32|64 program.exe [arguments]
source "$(dirname "$0")/../scripts/wine-env"
wine_env_select "$1"
shift
exec "$TARNWICK_WINE" "$@"
