#!/usr/bin/env bash
# Sets up a Debian 12 machine if needed, builds everything and runs every test.
#   scripts/test.sh [--sanitize] [ctest arguments]
# --sanitize builds into build-asan/ with AddressSanitizer and UBSan and runs the same suite; leaks
# inside third-party libraries are suppressed by scripts/lsan.supp, ours are failures.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--sanitize" ]; then
  shift
  export TARNIX_SANITIZE=1
  export TARNIX_BUILD_DIR=${TARNIX_BUILD_DIR:-$here/build-asan}
  export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$here/scripts/lsan.supp:print_suppressions=0
fi
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build=${TARNIX_BUILD_DIR:-$here/build}
cd "$build"
ctest --output-on-failure -j2 "$@"
# A skipped test says why only in its log (the Slurm test where Slurm cannot run); show that here.
grep -h "^SKIPPED:" Testing/Temporary/LastTest.log 2>/dev/null || true
