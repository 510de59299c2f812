#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh virtual X display of its own, removed afterwards.
# Usage: with-display.sh [--size WxHxD] COMMAND [ARGS...]
set -euo pipefail
size=1024x768x24
if [ "${1:-}" = --size ]; then size=$2; shift 2; fi
fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r -t 30 number <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
"$@"
