#!/usr/bin/env bash
# The page download of an E board through ser2net (a telnet port with com port control) against
# the same download on the board's pty directly: the median of three runs each, and the ratios.
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
# Two ports on the same pty: ser2net as installed, and with its gathering of serial bytes
# (chardelay) off, which is what a round trip of the page loader waits for.
slave=$(readlink -f "$work/board")
cat >"$work/ser2net.yaml" <<YAML
%YAML 1.1
---
connection: &plain
    accepter: telnet(rfc2217),tcp,127.0.0.1,$port
    enable: on
    connector: serialdev,$slave,9600n81,local
connection: &prompt
    accepter: telnet(rfc2217),tcp,127.0.0.1,$((port + 1))
    enable: on
    options:
      chardelay: false
    connector: serialdev,$slave,9600n81,local
YAML
"$ser2net" -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
pids+=($!)
sleep 1

# An E image of 31744 bytes (248 pages) as Intel HEX: random bytes whose first word makes the
# XOR of all words the loader's identity 0x2345.
python3 - "$work/e.hex" <<'PY'
import sys, random
random.seed(3)
data = bytearray(random.randrange(256) for _ in range(31744))
x = 0x2345
for i in range(2, len(data) - 1, 2):
    x ^= data[i] | data[i + 1] << 8
data[0], data[1] = x & 255, x >> 8
with open(sys.argv[1], "w") as out:
    for at in range(0, len(data), 16):
        record = bytes([16, at >> 8, at & 255, 0]) + data[at:at + 16]
        out.write(":" + record.hex().upper() + "%02X\r\n" % (-sum(record) & 255))
    out.write(":00000001FF\r\n")
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
plain=$(median_seconds "rfc2217://127.0.0.1:$port")
prompt=$(median_seconds "rfc2217://127.0.0.1:$((port + 1))")
awk -v d="$direct" -v g="$plain" -v p="$prompt" 'BEGIN {
  printf "E page download (248 pages at 115200) on the pty: %.2f s\n", d
  printf "  through ser2net: %.2f s, ratio %.2f\n", g, g / d
  printf "  through ser2net with chardelay: false: %.2f s, ratio %.2f\n", p, p / d }'
