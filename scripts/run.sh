#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the embedded sample database:
# the window when a display is available, otherwise the PhilHealth scan of the built-in
# update resource on the command line. The program folder is build/dev/bin: the sample
# databases are built into its db folder on first start, the reports go to its output folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The first build leaves out the debug info, which takes a third of the compile time; it
# stays so for later runs until scripts/test.sh (or scripts/build.sh) builds with it.
cache=build/dev/CMakeCache.txt
if [ ! -f "$cache" ] || grep -qx 'ORVEX_DEBUG_INFO:BOOL=OFF' "$cache"; then
    export ORVEX_DEBUG_INFO=OFF
fi
scripts/build.sh orvex orvex-cli # the tests and benchmarks: scripts/test.sh
bin=build/dev/bin
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${ORVEX_HEADLESS:-}" ]; then
    exec "$bin/orvex" "$@"
fi
echo "No display: running the PhilHealth scan of the built-in update resource headless."
exec "$bin/orvex-cli" scan --ph --update-resource "$@"
