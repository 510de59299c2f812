#!/usr/bin/env bash
# Probe accuracy: 50 probes of test hosts that answer after 5, 20, 45 and 80 ms, with and without
# foreign ICMP before every reply; natively, the Windows build under Wine, and iputils ping on
# the same hosts. Prints the median and worst error against the set delay. Needs root.
# Usage: bench/probe/run.sh BUILD_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
root=$(realpath "$here/../..")
. "$root/tools/wine-env.sh"
build=$(realpath -m "${1:-build}")
count=${TIROX_BENCH_PROBES:-50}
native=$build/native/probe_bench
exe=$build/$TIROX_WINE_ARCH/probe_bench.exe
prefix=$build/wineprefix-probe-bench-$TIROX_WINE_ARCH
for program in "$native" "$exe"; do
  [ -f "$program" ] || { echo "missing $program (build both trees first)" >&2; exit 1; }
done
export WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
"$root/tools/wine-prefix.sh" "$prefix"
echo "Under Wine: the $TIROX_WINE_ARCH probe, $exe"
# The server must start inside the test network, where the sockets are to live.
timeout 60 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

# Inside the test network: every tool measures each group's probe address.
measure() {
  local mode=$1; shift
  local setting g delay address
  for setting in "$@"; do
    g=${setting%=*}; delay=${setting#*=}
    address=$(sed -n "${g}p" <<<$'192.0.2.10\n198.51.100.10\n203.0.113.10')
    "$native" "$address" "$count" >"$results/probe-native.$mode.$delay"
    timeout -k 10 300 "$TIROX_WINE" "$exe" "$address" "$count" >"$results/probe-wine.$mode.$delay"
    # Not -c or -w: ping ends early on the errors and strays that foreign traffic brings.
    timeout -s INT "$((count / 10 + 2))" ping -n -i 0.1 "$address" >"$results/ping.$mode.$delay" || true
  done
  wineserver -k 2>/dev/null || true
}
export -f measure
export native exe count results

for mode in plain foreign; do
  foreign=(); [ "$mode" = foreign ] && foreign=(--foreign)
  for set in "1=5 2=20 3=45" "1=80"; do
    delays=(); for setting in $set; do delays+=(--delay "$setting"); done
    "$root/tests/net/with-testnet.sh" "${delays[@]}" "${foreign[@]}" -- \
      bash -c 'measure "$@"' measure "$mode" $set
  done
done

python3 - "$results" "$count" <<'PY'
import os, re, statistics, sys
results, count = sys.argv[1], int(sys.argv[2])
tools = [("probe-native", "probe, native"), ("probe-wine", "probe, Wine"), ("ping", "iputils ping")]
print(f"Probe accuracy: {count} probes per host; error = measured - set delay (ms)")
print(f"{'tool':<14} {'traffic':<8} {'delay':>5} {'answered':>9} {'median':>7} {'worst':>7} {'stray':>6}")
for mode in ("plain", "foreign"):
    for delay in (5, 20, 45, 80):
        for tool, label in tools:
            path = os.path.join(results, f"{tool}.{mode}.{delay}")
            times, stray = [], 0
            with open(path) as lines:
                if tool == "ping":
                    text = lines.read()
                    sent = int(re.search(r"(\d+) packets transmitted", text).group(1))
                    seen = set()
                    for m in re.finditer(r"icmp_seq=(\d+) .*time=([\d.]+) ms(.*)", text):
                        seq = int(m.group(1))
                        if seq > sent:
                            stray += 1  # a foreign datagram that ping reported as a reply
                        elif seq <= count and seq not in seen and "DUP" not in m.group(3):
                            seen.add(seq)
                            times.append(float(m.group(2)))
                else:
                    times = [int(v) for v in lines.read().split() if int(v) >= 0]
            errors = [t - delay for t in times]
            median = f"{statistics.median(errors):.2f}" if errors else "-"
            worst = f"{max(errors, key=abs):.2f}" if errors else "-"
            print(f"{label:<14} {mode:<8} {delay:>5} {len(times):>5}/{count:<3} {median:>7} {worst:>7} {stray:>6}")
print("stray: foreign datagrams a tool reported as replies (ping only; the probe skips them)")
PY
