#!/usr/bin/env bash
# Builds the Debian package from a release build and checks it:
#   scripts/package.sh [BUILD_FOLDER, default out/package]
# (a folder of its own: a Release build for /usr, apart from the test builds)
# The package lands in the build folder (vexaterm_<version>_<arch>.deb); the package test then
# unpacks it and runs the programs from there; lintian reports on it when installed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-out/package}
mkdir -p "$(dirname "$dir")"
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/vexaterm-ccache}
cmake -S . -B "$dir" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
targets=(vexacli vexaboard package_files test_package)
# grep reads every line: with -q it would stop early and pipefail would see ninja's broken pipe.
if ninja -C "$dir" -t targets all | grep '^vexaterm:' >/dev/null; then targets+=(vexaterm); fi
ninja -C "$dir" "${targets[@]}"
rm -f "$dir"/vexaterm_*.deb
(cd "$dir" && cpack -G DEB)
package=$(ls "$dir"/vexaterm_*.deb)
dpkg-deb --info "$package"
dpkg-deb --contents "$package"
(cd "$dir" && ctest -L package --output-on-failure)
if command -v lintian >/dev/null; then
  lintian --info "$package" || true
else
  echo "lintian is not installed (apt-get install lintian): package not linted"
fi
echo "package: $package"
