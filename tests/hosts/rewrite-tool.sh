# Sourced by the HOSTS fault tests: runs hosts_rewrite_tool natively, or its Windows build under
# Wine in the given prefix, on a Linux path (Wine reaches it through drive Z:).
#   use_rewrite_tool [--wine PREFIX] TOOL   once, before the functions below
#   rewrite MODE PATH                       runs the tool in the foreground, its status returned
#   rewrite_in_background MODE PATH         starts it; $! is the process of the tool itself
#   end_wine                                ends the prefix's server (no-op natively)
# Wine needs its server for every file call, so a test that changes the mount namespace starts
# the server inside it (rewrite does so when none runs there).

use_rewrite_tool() {
  wine_prefix=
  if [ "$1" = --wine ]; then
    wine_prefix=$(realpath -m "$2")
    shift 2
  fi
  rewrite_tool=$(realpath "$1")
  [ -f "$rewrite_tool" ] || { echo "missing $1 (build it first)" >&2; exit 1; }
  if [ -n "$wine_prefix" ]; then
    local here
    here=$(dirname "${BASH_SOURCE[0]}")
    . "$here/../../tools/wine-env.sh"
    "$here/../../tools/wine-prefix.sh" "$wine_prefix"
    export WINEPREFIX="$wine_prefix" WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
  fi
}

# pause SECONDS: waits on the shell's own read rather than an external sleep. On our machines a
# process started costs about 5 ms of CPU: a loop polling every 10 ms with grep and sleep keeps a
# whole core busy and slows down the very Wine start it waits for.
pause() {
  [ -n "${pause_fd:-}" ] || exec {pause_fd}<> <(:)
  read -rt "$1" -u "$pause_fd" || true
}

# printed FILE TEXT: whether a line of FILE holds TEXT, read without starting a process.
printed() {
  local line
  while IFS= read -r line || [ -n "$line" ]; do
    [[ $line == *"$2"* ]] && return 0
  done 2>/dev/null <"$1"
  return 1
}

# The Windows name of a Linux path.
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# Bounded in time (TIROX_REWRITE_TIMEOUT seconds, 120 unless set): a rewrite that hangs fails.
rewrite() {
  local limit=${TIROX_REWRITE_TIMEOUT:-120}
  if [ -z "$wine_prefix" ]; then
    timeout -k 5 "$limit" "$rewrite_tool" "$1" "$2"
  else
    timeout -k 5 "$limit" "$TIROX_WINE" "$rewrite_tool" "$1" "$(windows_path "$2")"
  fi
}

rewrite_in_background() {
  if [ -z "$wine_prefix" ]; then
    "$rewrite_tool" "$1" "$2" &
  else
    "$TIROX_WINE" "$rewrite_tool" "$1" "$(windows_path "$2")" &
  fi
}

end_wine() {
  [ -z "$wine_prefix" ] || wineserver -k 2>/dev/null || true
}
