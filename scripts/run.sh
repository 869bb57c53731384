#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the embedded sample database.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/dev/bin/orvex-cli inspect --update-resource
