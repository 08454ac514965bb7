#!/usr/bin/env bash
# Configures and builds one build folder: build.sh FOLDER [cmake options...]
set -euo pipefail
dir=$1
shift
cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
ninja -C "$dir"
