#!/usr/bin/env bash
# Draws the layers of the core and the programs above them from the build's own target graph
# (cmake --graphviz) into docs/layers.dot, and docs/layers.svg when Graphviz is installed.
# Run it after a change to cmake/layers.cmake or to what a program links.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=out/graph
mkdir -p "$dir"
cp cmake/CMakeGraphVizOptions.cmake "$dir/"
(cd "$dir" && cmake -S ../.. -B . -G Ninja -Wno-dev -DVEXA_BENCH=OFF --graphviz=layers.dot >configure.log 2>&1) ||
  { tail -n 30 "$dir/configure.log"; exit 1; }
# Only the file of the whole graph; drop CMake's per-target extras.
{
  echo "// Made by scripts/layers-graph.sh from cmake --graphviz: do not edit by hand."
  grep -v '^\s*//' "$dir/layers.dot"
} >docs/layers.dot
if command -v dot >/dev/null; then
  dot -Tsvg docs/layers.dot -o docs/layers.svg
  echo "wrote docs/layers.dot and docs/layers.svg"
else
  echo "wrote docs/layers.dot (install graphviz for docs/layers.svg)"
fi
