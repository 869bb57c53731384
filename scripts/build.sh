#!/usr/bin/env bash
# Configures and builds the dev preset: every target, or only the targets named.
#   scripts/build.sh                 everything (the tests and benchmarks too)
#   scripts/build.sh orvex orvex-cli the two programs
# ORVEX_DEBUG_INFO=OFF builds without debug info (scripts/run.sh's first build); the dev
# preset itself always has it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev -DORVEX_DEBUG_INFO="${ORVEX_DEBUG_INFO:-ON}" >/dev/null
if [ $# -gt 0 ]; then
    cmake --build --preset dev -j"$(nproc)" --target "$@"
else
    cmake --build --preset dev -j"$(nproc)"
fi
