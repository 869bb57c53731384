#!/usr/bin/env bash
# Configures and builds the dev preset: every target, or only the targets named.
#   scripts/build.sh                 everything (the tests and benchmarks too)
#   scripts/build.sh orvex orvex-cli the two programs
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
if [ $# -gt 0 ]; then
    cmake --build --preset dev -j"$(nproc)" --target "$@"
else
    cmake --build --preset dev -j"$(nproc)"
fi
