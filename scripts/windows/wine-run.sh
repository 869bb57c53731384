#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, with the Windows libraries on its path:
# the build's emulator for the programs it runs itself (the update resource generator,
# test discovery).
. "$(dirname "$0")/lib.sh"
wine_env
exec wine "$@"
