#!/usr/bin/env bash
# Builds the release programs and runs every benchmark, printing their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh out/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_BENCH=ON >out/bench-build.log 2>&1 ||
  { tail -n 40 out/bench-build.log; exit 1; }
cd out/release
status=0
for bench in bench/bench_*; do
  [[ -x $bench ]] || continue
  echo "== ${bench##*/}"
  "./$bench" || status=1
done
echo "== gateway_download"
../../bench/gateway_download.sh || status=1
exit $status
