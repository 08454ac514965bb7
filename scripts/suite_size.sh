#!/usr/bin/env bash
# Non-blank lines of C++ (.cpp, .h) that git tracks, or would track: the suite (tests/, and the
# fuzz harnesses in fuzz/) against the code (every other folder but bench/), and the suite's share
# of the code.
# Usage: scripts/suite_size.sh [REV]   (default: the working tree)
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-}
files() {
  if [[ -n $rev ]]; then git ls-tree -r --name-only "$rev"; else git ls-files -co --exclude-standard; fi |
    grep -E '\.(cpp|h)$'
}
text() { if [[ -n $rev ]]; then git show "$rev:$1"; elif [[ -f $1 ]]; then cat "$1"; fi; }
count() {  # non-blank lines of the files whose path matches the extended regex $1
  files | grep -E "$1" | while read -r f; do text "$f"; done | { grep -cv '^\s*$' || true; }
}
tests=$(count '^(tests|fuzz)/')
code=$(($(count '/') - $(count '^(tests|bench|fuzz)/')))
echo "suite (tests and fuzz harnesses): $tests lines; code: $code lines; the suite is $((100 * tests / code)) % of the code"
