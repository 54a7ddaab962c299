#!/usr/bin/env bash
# Installs what is missing, then configures, builds and runs every test, three
# times over:
#   1. the optimised build and its whole test suite;
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. every fuzz target for a bounded time from its generated seed corpus.
# Any failure, sanitizer report or fuzzing finding fails the run.
#   scripts/test.sh           all three
#   scripts/test.sh --quick   only the first
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
pkt_install_deps

cmake --preset default
cmake --build --preset default
ctest --preset default

if [ "${1:-}" = "--quick" ]; then
  exit 0
fi

echo "== The test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

echo "== Fuzzing every decoder (${PKTVIEW_FUZZ_SECONDS:-30} s a target)"
./scripts/fuzz.sh "${PKTVIEW_FUZZ_SECONDS:-30}"
