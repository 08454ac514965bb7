#!/usr/bin/env bash
# Installs what is missing, builds, and starts VexaTerm linked to a simulated board.
# Usage: ./run.sh [E|F|S]   (the simulated board's type, S by default)
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/vexaterm-ccache}
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >build.log 2>&1 || { tail -n 80 build.log; exit 1; }
board=${1:-S}
if [[ -x build/ui/vexaterm ]]; then
  if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "No display found: starting VexaTerm under xvfb-run (a virtual screen you cannot see)."
    exec xvfb-run -a build/ui/vexaterm --simulate "$board"
  fi
  exec build/ui/vexaterm --simulate "$board"
fi
echo "The desktop program is not built (Qt 6 missing?); here is the headless program:"
exec build/cli/vexacli --help
