#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
pkt_install_deps

cmake --preset default
cmake --build --preset default
ctest --preset default
