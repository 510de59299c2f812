#!/usr/bin/env bash
# Runs every benchmark (bench/*/run.sh BUILD_DIR) and prints their reports.
set -euo pipefail
build=$(realpath -m "${1:-build}")
cd "$(dirname "$0")"
for script in */run.sh; do
  echo "== ${script%/run.sh}"
  bash "$script" "$build"
done
