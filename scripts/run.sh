#!/usr/bin/env bash
# Sets up a Debian 12 machine if needed, builds, and starts the program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
exec "${TARNIX_BUILD_DIR:-$here/build}/app/tarnix" "$@"
