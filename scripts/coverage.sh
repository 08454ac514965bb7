#!/usr/bin/env bash
# Line and branch coverage of the core (the layers of cmake/layers.cmake) by the whole suite:
# builds out/coverage with gcov instrumentation (no desktop program, no benchmarks), runs every
# test, and prints gcovr's summary. Needs the Debian package gcovr (installed when missing).
# Per file: out/coverage/coverage.txt; per line: out/coverage/coverage.json (which
# scripts/mutate.py --coverage-json reads to skip mutants on lines no test runs).
# Usage: scripts/coverage.sh [ctest options...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if ! command -v gcovr >/dev/null; then
  if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
  "${sudo[@]}" apt-get update -qq >/dev/null  # a fresh machine may have no package lists yet
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends gcovr >/dev/null
fi
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/vexaterm-ccache} CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true \
  CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-20G}
dir=out/coverage
mkdir -p out
./scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Debug -DVEXA_GUI=OFF -DVEXA_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS=--coverage >"$dir.build.log" 2>&1 ||
  { tail -n 40 "$dir.build.log"; exit 1; }
find "$dir" -name '*.gcda' -delete
(cd "$dir" && ctest -j"$(($(nproc) + 1))" --timeout 600 "$@" >"$root/$dir.ctest.log" 2>&1) ||
  echo "coverage: some tests failed (see $dir.ctest.log); the figures count what ran"
filters=()
for layer in platform base terminal link config download analog macro upload build factory app; do
  filters+=(--filter "$root/$layer/")
done
# The compiler check's own objects in CMakeFiles/<version>/ have no source to read: left out.
gcovr --root "$root" --object-directory "$dir" "${filters[@]}" --exclude-unreachable-branches \
  --exclude-directories "$dir/CMakeFiles/[0-9][^/]*" --exclude-throw-branches --print-summary --txt "$dir/coverage.txt" --json "$dir/coverage.json" |
  tee "$dir/summary.txt"
echo "per file: $dir/coverage.txt"
