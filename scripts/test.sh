#!/usr/bin/env bash
# Sets up a Debian 12 machine if needed, builds everything and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build=${TARNIX_BUILD_DIR:-$here/build}
cd "$build"
ctest --output-on-failure -j2 "$@"
