#!/usr/bin/env bash
# Configures and builds into build/ (or $TARNIX_BUILD_DIR). Builds are serialised with a lock
# because the machine has two cores; extra arguments go to `cmake --build` (e.g. --target foo).
# TARNIX_SANITIZE=1 configures a fresh build folder with AddressSanitizer and UBSan.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNIX_BUILD_DIR:-$here/build}
# ccache keys on paths relative to the checkout, so every clone and worktree shares one cache.
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=true
exec 9>/tmp/tarnix-build.lock
flock 9
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARNIX_SANITIZE="$([ "${TARNIX_SANITIZE:-0}" = 1 ] && echo ON || echo OFF)" >/dev/null
fi
# The PP-OCR models come with the build; without them recognition runs on Tesseract alone.
"$here/scripts/fetch-models.sh" "$build/models/ppocr" \
  || echo "build: PP-OCR models not installed; recognition will use Tesseract only" >&2
cmake --build "$build" -j2 "$@"
