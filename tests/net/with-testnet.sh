#!/usr/bin/env bash
# Runs COMMAND in a private test network: a client namespace joined by veth pairs to three
# server-group namespaces, whose test hosts own the groups' probe addresses (.10) and service
# addresses (.20) and answer ICMP echo through the project's responder after a set delay.
#
# Usage: with-testnet.sh [--delay G=MS]... [--silent G]... [--foreign] -- COMMAND [ARGS...]
#   G           server group 1, 2 or 3: 192.0.2.0/24, 198.51.100.0/24, 203.0.113.0/24
#   --delay     the group's reply delay in ms (defaults: 1=20, 2=40, 3=60)
#   --silent    the group never replies
#   --foreign   foreign ICMP as soon as a request arrives, so before its reply: an echo reply
#               with another identifier, one with another sequence number, a destination
#               unreachable quoting the request (a silent group sends these 4 times, 250 ms apart)
# COMMAND runs inside the client namespace (its address in each /24 is .1; loopback up; no
# default route) with TIROX_NETNS set to that namespace's name. The exit status is COMMAND's.
# Needs root. Everything is removed on exit, failure or interruption.
set -euo pipefail

here=$(dirname "$(realpath "$0")")
subnets=("" 192.0.2 198.51.100 203.0.113)
delays=("" 20 40 60)
silent=("" 0 0 0)
foreign=0

usage() { sed -n 's/^# \{0,1\}//; 6,12p' "$0" >&2; exit 2; }
group() { [[ "$1" =~ ^[123]$ ]] || { echo "with-testnet: no server group '$1'" >&2; usage; }; }

while [ $# -gt 0 ]; do
  case "$1" in
    --delay)
      [ $# -ge 2 ] && [[ "$2" =~ ^([123])=([0-9]+)$ ]] || { echo "with-testnet: bad --delay '${2:-}'" >&2; usage; }
      delays[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}; shift 2 ;;
    --silent)
      [ $# -ge 2 ] || usage; group "$2"; silent[$2]=1; shift 2 ;;
    --foreign) foreign=1; shift ;;
    --) shift; break ;;
    *) usage ;;
  esac
done
[ $# -gt 0 ] || usage
[ "$(id -u)" -eq 0 ] || { echo "with-testnet: needs root (network namespaces)" >&2; exit 1; }

name="tirox-$$-$RANDOM"
client="$name-c"
work=$(mktemp -d "/tmp/$name.XXXXXX")
namespaces=()
responders=()
command_pid=

cleanup() {
  local pid ns
  trap - EXIT INT TERM HUP
  if [ -n "$command_pid" ] && kill -TERM "$command_pid" 2>/dev/null; then
    # A moment to clean up after itself.
    for _ in $(seq 50); do kill -0 "$command_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  for pid in "${responders[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for ns in "${namespaces[@]}"; do
    # Whatever is still running in our own namespaces was started by this run.
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
    ip netns delete "$ns" 2>/dev/null || true
  done
  for pid in "${responders[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
interrupted() { cleanup; exit "$1"; }
trap cleanup EXIT
trap 'interrupted 130' INT
trap 'interrupted 143' TERM
trap 'interrupted 129' HUP

in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

ip netns add "$client"
namespaces+=("$client")
ip -n "$client" link set lo up

for g in 1 2 3; do
  ns="$name-g$g"
  net=${subnets[$g]}
  ip netns add "$ns"
  namespaces+=("$ns")
  ip -n "$ns" link set lo up
  ip -n "$client" link add "g$g" type veth peer name client netns "$ns"
  ip -n "$client" addr add "$net.1/24" dev "g$g"
  ip -n "$client" link set "g$g" up
  ip -n "$ns" addr add "$net.10/24" dev client
  ip -n "$ns" addr add "$net.20/24" dev client
  ip -n "$ns" link set client up
  in_ns "$ns" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
  args=(--delay-ms "${delays[$g]}" --ready-file "$work/ready$g" --address "$net.10" --address "$net.20"
        --parent $$)
  [ "${silent[$g]}" = 1 ] && args+=(--silent)
  [ "$foreign" = 1 ] && args+=(--foreign)
  ip netns exec "$ns" python3 "$here/icmp-responder.py" "${args[@]}" &
  responders+=($!)
done

# Responders listen before COMMAND runs.
for _ in $(seq 100); do
  [ -f "$work/ready1" ] && [ -f "$work/ready2" ] && [ -f "$work/ready3" ] && break
  for pid in "${responders[@]}"; do
    kill -0 "$pid" 2>/dev/null || { echo "with-testnet: a responder failed to start" >&2; exit 1; }
  done
  sleep 0.1
done
[ -f "$work/ready1" ] && [ -f "$work/ready2" ] && [ -f "$work/ready3" ] || { echo "with-testnet: responders not ready" >&2; exit 1; }

# In the background so that an interruption reaches the trap at once; stdin stays COMMAND's
# (a background command would otherwise read /dev/null).
if [ -e /dev/fd/0 ]; then
  ip netns exec "$client" env TIROX_NETNS="$client" "$@" <&0 &
else
  ip netns exec "$client" env TIROX_NETNS="$client" "$@" &
fi
command_pid=$!
status=0
wait "$command_pid" || status=$?
command_pid=
exit "$status"
