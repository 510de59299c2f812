#!/usr/bin/env bash
# Two builds of the same source, in different directories, at different times and in different
# time zones, give the same program and the same release zip, byte for byte; the zip holds what
# it should (check_release.py).
# Usage: reproducible.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(realpath "$1")
build=$(realpath "$2")
exe=$build/win32/TiroxOptimize.exe
[ -f "$exe" ] || { echo "missing program: $exe (build the Windows tree first)" >&2; exit 1; }
work=$(mktemp -d /tmp/tirox-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The source as it stands in the working tree, build trees left out.
other=$work/somewhere/else/tirox-src
mkdir -p "$other"
if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$source" && git ls-files -z -co --exclude-standard \
     | while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done \
     | tar --null -T - -cf -) | tar -xf - -C "$other"
  epoch=$(git -C "$source" log -1 --format=%ct)
else
  tar -C "$source" --exclude=./build --exclude='./build-*' -cf - . | tar -xf - -C "$other"
  epoch=${SOURCE_DATE_EPOCH:?not a git checkout: set SOURCE_DATE_EPOCH}
fi

# The second build: the program alone, in another directory, as a release build on Windows would.
cmake -S "$other" -B "$other/out/win32" -DCMAKE_TOOLCHAIN_FILE="$other/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DTIROX_BUILD_TESTS=OFF >/dev/null
cmake --build "$other/out/win32" --target TiroxOptimize -j "$(nproc)" >/dev/null
cmake -S "$other" -B "$other/out/native" -DTIROX_BUILD_TESTS=OFF >/dev/null
cmake --build "$other/out/native" --target print_route_tables >/dev/null
if ! cmp "$exe" "$other/out/win32/TiroxOptimize.exe"; then
  echo "the program built in $other differs from $exe" >&2
  exit 1
fi

version=$(head -n 1 "$source/VERSION")
SOURCE_DATE_EPOCH=$epoch TZ=UTC python3 "$source/tools/make-release.py" "$source" "$build" >/dev/null
SOURCE_DATE_EPOCH=$epoch TZ=Asia/Shanghai python3 "$other/tools/make-release.py" "$other" "$other/out" >/dev/null
zip=$build/dist/TiroxOptimize-$version.zip
if ! cmp "$zip" "$other/out/dist/TiroxOptimize-$version.zip"; then
  echo "the release zip built in $other differs from $zip" >&2
  exit 1
fi
python3 "$here/check_release.py" "$zip" "$source" "$build"
echo "reproducible: TiroxOptimize.exe ($(stat -c %s "$exe") bytes) and $(basename "$zip") ($(stat -c %s "$zip") bytes) built twice, byte for byte the same"
