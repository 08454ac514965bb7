#!/usr/bin/env bash
# The page download of an E board through ser2net (a telnet port with com port control) against
# the same download on the board's pty directly: the median of three runs each, and their ratio.
# Run from the build folder (bench/run.sh does); needs ser2net (scripts/install-deps.sh).
set -euo pipefail
ser2net=/usr/sbin/ser2net
[[ -x $ser2net ]] || { echo "ser2net is not installed: run scripts/install-deps.sh"; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

sim/vexaboard --type E --pty "$work/board" --flash-out "$work/flash" --loader "Download E" --line-speed \
  >"$work/board.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e $work/board ]] && break; sleep 0.1; done
port=$((20000 + RANDOM % 20000))
cat >"$work/ser2net.yaml" <<YAML
%YAML 1.1
---
connection: &board
    accepter: telnet(rfc2217),tcp,127.0.0.1,$port
    enable: on
    connector: serialdev,$(readlink -f "$work/board"),9600n81,local
YAML
"$ser2net" -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
pids+=($!)
sleep 1

# An E image of 31744 bytes (248 pages) as Intel HEX, made by the test support's own writer.
python3 - "$work/e.hex" <<'PY'
import sys, random
random.seed(3)
data = bytes(random.randrange(256) for _ in range(31744))
with open(sys.argv[1], "w") as out:
    for at in range(0, len(data), 16):
        chunk = data[at:at + 16]
        record = bytes([len(chunk), at >> 8, at & 255, 0]) + chunk
        out.write(":" + record.hex().upper() + "%02X\n" % (-sum(record) & 255))
    out.write(":00000001FF\n")
PY

median_seconds() {  # port: the median wall time of three downloads over it
  local times=()
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    cli/vexacli --settings "$work" --port "$1" --baud 9600 download "$work/e.hex" >"$work/run.log" 2>&1 ||
      { echo "download over $1 failed:"; tail -5 "$work/run.log"; exit 1; }
    end=$(date +%s.%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}
direct=$(median_seconds "$work/board")
gateway=$(median_seconds "rfc2217://127.0.0.1:$port")
awk -v d="$direct" -v g="$gateway" \
  'BEGIN { printf "E page download (248 pages at 115200): pty %.2f s, ser2net %.2f s, ratio %.2f\n", d, g, g / d }'
