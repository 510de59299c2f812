#!/usr/bin/env bash
# Two builds of the same source, in different directories, at different times and in different
# time zones, give the same programs (64-bit and 32-bit) and the same release zip, byte for byte;
# the zip holds what it should (check_release.py).
# Usage: reproducible.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(realpath "$1")
build=$(realpath "$2")
# The toolchain file of each Windows build directory.
declare -A toolchain=([win64]=mingw-x86_64 [win32]=mingw-i686)
for arch in win64 win32; do
  exe=$build/$arch/TiroxOptimize.exe
  [ -f "$exe" ] || { echo "missing program: $exe (build the Windows trees first)" >&2; exit 1; }
done
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

# The second build: the programs alone, in another directory, as a release build on Windows would.
for arch in win64 win32; do
  cmake -S "$other" -B "$other/out/$arch" -DCMAKE_TOOLCHAIN_FILE="$other/cmake/${toolchain[$arch]}.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DTIROX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$other/out/$arch" --target TiroxOptimize -j "$(nproc)" >/dev/null
  if ! cmp "$build/$arch/TiroxOptimize.exe" "$other/out/$arch/TiroxOptimize.exe"; then
    echo "the $arch program built in $other differs from $build/$arch/TiroxOptimize.exe" >&2
    exit 1
  fi
done
cmake -S "$other" -B "$other/out/native" -DTIROX_BUILD_TESTS=OFF >/dev/null
cmake --build "$other/out/native" --target print_route_tables >/dev/null

version=$(head -n 1 "$source/VERSION")
SOURCE_DATE_EPOCH=$epoch TZ=UTC python3 "$source/tools/make-release.py" "$source" "$build" >/dev/null
SOURCE_DATE_EPOCH=$epoch TZ=Asia/Shanghai python3 "$other/tools/make-release.py" "$other" "$other/out" >/dev/null
zip=$build/dist/TiroxOptimize-$version.zip
if ! cmp "$zip" "$other/out/dist/TiroxOptimize-$version.zip"; then
  echo "the release zip built in $other differs from $zip" >&2
  exit 1
fi
python3 "$here/check_release.py" "$zip" "$source" "$build"

# A tree built with the other toolchain in a program's place stops make-release.py with the reason
# and leaves no zip.
for swap in "win64 win32 64-bit" "win32 win64 32-bit"; do
  read -r place other_arch kind <<<"$swap"
  mixed=$work/mixed-$place
  mkdir -p "$mixed/dist"
  ln -s "$build/native" "$mixed/native"
  ln -s "$build/$other_arch" "$mixed/$place"
  ln -s "$build/$other_arch" "$mixed/$other_arch"
  cp "$zip" "$mixed/dist/"
  if out=$(SOURCE_DATE_EPOCH=$epoch python3 "$source/tools/make-release.py" "$source" "$mixed" 2>&1); then
    echo "make-release.py took the $other_arch program for the $kind one" >&2
    exit 1
  fi
  if [[ "$out" != *"$place/TiroxOptimize.exe is not a $kind "* ]] || [ -e "$mixed/dist/$(basename "$zip")" ]; then
    echo "make-release.py with the $other_arch program for the $kind one: $out" >&2
    exit 1
  fi
done
echo "reproducible: the 64-bit TiroxOptimize.exe ($(stat -c %s "$build/win64/TiroxOptimize.exe") bytes), the 32-bit one ($(stat -c %s "$build/win32/TiroxOptimize.exe") bytes) and $(basename "$zip") ($(stat -c %s "$zip") bytes) built twice, byte for byte the same"
