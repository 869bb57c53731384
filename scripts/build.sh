#!/usr/bin/env bash
# Configures and builds the dev preset.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)"
