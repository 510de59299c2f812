#!/usr/bin/env bash
# HOSTS rewrite on a blocklist-like file of 250,000 lines (about 8 MB, the route hosts near its
# end): our apply and restore beside GNU sed doing the same edit in place and cp of the file
# (the I/O floor), and our peak memory. Each figure is the median of several runs on a fresh
# copy, in the same directory, on the same disk; ours includes flushing the file to disk.
# Usage: bench/hosts/run.sh BUILD_DIR
set -euo pipefail
build=$(realpath -m "${1:-build}")
tool=$build/native/hosts_rewrite_tool
[ -x "$tool" ] || { echo "missing $tool (build the native tree first)" >&2; exit 1; }
runs=${TIROX_BENCH_RUNS:-7}
work=$(mktemp -d "$build/hosts-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

hosts=(tirox.example ddz.tirox.example majh.tirox.example xqi.tirox.example wzq.tirox.example
       tlj.tirox.example sjz.tirox.example bdz1.tirox.example hjd.tirox.example)
awk -v names="${hosts[*]}" 'BEGIN {
  n = split(names, route, " ")
  print "# Blocklist of advertising and tracking hosts"
  print "127.0.0.1 localhost"
  for (i = 0; i < 250000 - 2 - n; i++) {
    printf "0.0.0.0 ad%06d.trk.example.org\n", i
    if (i == 250000 - 100) for (j = 1; j <= n; j++) printf "10.9.9.9\t%s\n", route[j]
  }
}' >"$work/source"

# sed: the same address replacement (apply) and line removal (restore) for the nine names.
alternatives=$(printf '%s|' "${hosts[@]}" | sed 's/\./\\./g; s/|$//')
sed_apply="s/^[^#[:space:]]+([[:space:]]+($alternatives)([[:space:]]|\$))/198.51.100.20\\1/"
sed_restore="/^[^#[:space:]]+[[:space:]]+($alternatives)[[:space:]]*\$/d"

# median_ms SETUP COMMAND...: runs SETUP (untimed) then COMMAND, several times.
median_ms() {
  local setup=$1; shift
  local times=()
  for _ in $(seq "$runs"); do
    eval "$setup"
    sync
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) * 1000 }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

fresh='cp "$work/source" "$work/HOSTS"; rm -f "$work/copy"'
applied='cp "$work/source" "$work/HOSTS"; "$tool" apply "$work/HOSTS"'

ours_apply=$(median_ms "$fresh" "$tool" apply "$work/HOSTS")
ours_restore=$(median_ms "$applied" "$tool" restore "$work/HOSTS")
sed_apply_ms=$(median_ms "$fresh" sed -i -E "$sed_apply" "$work/HOSTS")
sed_restore_ms=$(median_ms "$applied" sed -i -E "$sed_restore" "$work/HOSTS")
cp_ms=$(median_ms "$fresh" cp "$work/HOSTS" "$work/copy")
# Ours flushes the new file to disk before it replaces HOSTS; this is the floor for that.
dd_ms=$(median_ms "$fresh" dd if="$work/HOSTS" of="$work/copy" bs=1M conv=fsync status=none)

peak_kb() {
  local kb
  kb=$(/usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1)
  echo "$kb"
}
cp "$work/source" "$work/HOSTS"
apply_kb=$(peak_kb "$tool" apply "$work/HOSTS")
restore_kb=$(peak_kb "$tool" restore "$work/HOSTS")

# The edits agree with sed's on this file.
cp "$work/source" "$work/HOSTS"; "$tool" apply "$work/HOSTS"
cp "$work/source" "$work/sed"; sed -i -E "$sed_apply" "$work/sed"
cmp -s <(tr -d '\r' <"$work/HOSTS" | sed -E 's/[[:space:]]+/ /g') \
       <(sed -E 's/[[:space:]]+/ /g' "$work/sed") \
  || echo "warning: our apply and sed's differ on the benchmark file" >&2

size=$(stat -c %s "$work/source")
lines=$(wc -l <"$work/source")
awk -v size="$size" -v lines="$lines" -v oa="$ours_apply" -v orr="$ours_restore" \
    -v sa="$sed_apply_ms" -v sr="$sed_restore_ms" -v cp="$cp_ms" -v dd="$dd_ms" -v ma="$apply_kb" -v mr="$restore_kb" \
    -v runs="$runs" 'BEGIN {
  printf "HOSTS file: %d lines, %.1f MB; median of %d runs\n", lines, size / 1048576, runs
  printf "%-30s %10s %12s\n", "", "time (ms)", "vs cp"
  printf "%-30s %10.1f %11.2fx\n", "ours, apply", oa, oa / cp
  printf "%-30s %10.1f %11.2fx\n", "ours, restore", orr, orr / cp
  printf "%-30s %10.1f %11.2fx\n", "GNU sed -i, apply", sa, sa / cp
  printf "%-30s %10.1f %11.2fx\n", "GNU sed -i, restore", sr, sr / cp
  printf "%-30s %10.1f %11.2fx\n", "cp (I/O floor)", cp, 1
  printf "%-30s %10.1f %11.2fx\n", "dd conv=fsync (durable copy)", dd, dd / cp
  printf "peak memory: apply %.1f MB, restore %.1f MB (%.2fx, %.2fx the file size)\n",
         ma / 1024, mr / 1024, ma * 1024 / size, mr * 1024 / size
}'
