#!/usr/bin/env bash
# Runs COMMAND, a test that runs a Windows build under Wine, with that build's Wine chosen
# (tools/wine-env.sh), or skips it where this machine cannot run it. The exit status 77 is what
# CTest counts as skipped; the message says why, so a skipped run is never taken for a passed one.
# Usage: with-wine.sh win32|win64 COMMAND [ARGS...]
set -u
export TIROX_WINE_ARCH=$1; shift
. "$(dirname "$(realpath "$0")")/../../tools/wine-env.sh" || exit 1
if reason=$(tirox_wine_unusable "$TIROX_WINE_ARCH"); then
  echo "SKIPPED: $reason, so the $TIROX_WINE_ARCH Windows build cannot run under Wine here" >&2
  exit 77
fi
exec "$@"
