#!/usr/bin/env bash
# Runs a probe test program inside a fresh test network (tests/net/with-testnet.sh): natively,
# or the Windows build under Wine with its wineserver started inside the client namespace, so
# that the program's sockets live there.
# Usage: run-live-test.sh [--wine PREFIX] [--unprivileged] [NETWORK OPTIONS...] -- PROGRAM [ARGS...]
#   --wine PREFIX    run PROGRAM (an .exe) under Wine in that private prefix, made if missing
#   --unprivileged   run as user nobody without any capability (no raw sockets)
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
prefix=
unprivileged=0
network=()
while [ $# -gt 0 ]; do
  case "$1" in
    --wine) prefix=$(realpath -m "$2"); shift 2 ;;
    --unprivileged) unprivileged=1; shift ;;
    --) shift; break ;;
    *) network+=("$1"); shift ;;
  esac
done
program=${1:?usage: run-live-test.sh [--wine PREFIX] [--unprivileged] [NETWORK OPTIONS...] -- PROGRAM [ARGS...]}
shift
[ -f "$program" ] || { echo "missing test program: $program" >&2; exit 1; }

as_user=()
if [ "$unprivileged" = 1 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all --bounding-set=-all --)
  # The checkout may be out of the user's reach (a clone in a directory of mode 0700): what the
  # user runs, the program and the prefix script, are copies it can read, run from there.
  stage=$(mktemp -d /tmp/tirox-probe-test.XXXXXX)
  trap 'rm -rf "$stage"' EXIT
  chmod 755 "$stage"
  cp "$program" "$root/tools/wine-prefix.sh" "$root/tools/wine-env.sh" "$stage/"
  program=$stage/$(basename "$program")
  prefix_script=$stage/wine-prefix.sh
  cd "$stage"
else
  prefix_script=$root/tools/wine-prefix.sh
fi
testnet=("$root/tests/net/with-testnet.sh" "${network[@]}" --)

if [ -z "$prefix" ]; then
  "${testnet[@]}" "${as_user[@]}" "$program" "$@"
  exit
fi
. "$root/tools/wine-env.sh"

# Wine refuses a prefix its user does not own: an unprivileged run keeps its own, with its home
# (beside the build's when the user can reach it, else in the staging directory).
home=$HOME
if [ "$unprivileged" = 1 ]; then
  mkdir -p "$prefix"
  chown nobody:nogroup "$prefix"
  "${as_user[@]}" test -w "$prefix" || { prefix=$stage/wine; mkdir "$prefix"; chown nobody:nogroup "$prefix"; }
  home=$prefix
  prefix=$prefix/prefix
fi
wine_env=(env HOME="$home" WINEPREFIX="$prefix" WINEARCH="$WINEARCH" WINELOADER="$WINELOADER" TIROX_WINE="$TIROX_WINE" TIROX_WINE_ARCH="$TIROX_WINE_ARCH" WINEDEBUG=-all LC_ALL=zh_CN.UTF-8)
"${as_user[@]}" "${wine_env[@]}" "$prefix_script" "$prefix"
# A server still running outside would create the sockets outside the test network.
"${as_user[@]}" "${wine_env[@]}" timeout 60 wineserver -w 2>/dev/null ||
  "${as_user[@]}" "${wine_env[@]}" wineserver -k 2>/dev/null || true
"${testnet[@]}" "${as_user[@]}" "${wine_env[@]}" \
  bash -c 'status=0; timeout -k 10 "${TIROX_WINE_TIMEOUT:-300}" "$TIROX_WINE" "$@" || status=$?
           wineserver -k 2>/dev/null; exit "$status"' run-live-test "$program" "$@"
