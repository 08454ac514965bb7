#!/usr/bin/env bash
# Installs what is missing, builds, and starts VexaTerm linked to a simulated board.
# Usage: ./run.sh [E|F|S]   (the simulated board's type, S by default)
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p out
./scripts/install-deps.sh
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/vexaterm-ccache}
# Paths relative to the checkout, so a clone in another folder (CI's) reuses the cache.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-20G}
./scripts/build.sh out/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >out/release.log 2>&1 || { tail -n 80 out/release.log; exit 1; }
board=${1:-S}
# The programs read ainputs.txt and keep their settings and log in the working directory.
cd out/release
if [[ -x ui/vexaterm ]]; then
  if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "No display found: starting VexaTerm under xvfb-run (a virtual screen you cannot see)."
    exec xvfb-run -a ui/vexaterm --simulate "$board"
  fi
  exec ui/vexaterm --simulate "$board"
fi
echo "The desktop program is not built here: Qt 6 was not found (see out/release.configure.log)."
echo "Try the headless program against a simulated $board board instead:"
echo "  out/release/sim/vexaboard --type $board --pty /tmp/vexa$board &"
echo "  out/release/cli/vexacli --port /tmp/vexa$board get-conf"
echo
exec cli/vexacli --help
