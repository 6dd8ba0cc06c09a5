#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that need network
# namespaces run when this is run as root and skip (saying why) otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600
