#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, ASan + UBSan) and fuzzes each for a while:
#   fuzz/run.sh [SECONDS per target, default 60] [target ...]
# New inputs go to out/fuzz/corpus/<name>; the seed corpus in fuzz/corpus is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/vexaterm-ccache}
mkdir -p out
CC=clang CXX=clang++ ./scripts/build.sh out/fuzz -DVEXA_FUZZ=ON -DVEXA_GUI=OFF -DVEXA_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined" >out/fuzz.build.log
targets=("$@")
if ((${#targets[@]} == 0)); then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  mkdir -p "out/fuzz/corpus/$name"
  echo "== $target for $seconds s"
  (cd out/fuzz && "./fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      "corpus/$name" "../../fuzz/corpus/$name" 2>&1 | grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY' || true)
done
