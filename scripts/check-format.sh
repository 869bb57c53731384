#!/usr/bin/env bash
# Fails when a C++ source differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files; then
    echo "Sources are not formatted: run clang-format -i on the files above." >&2
    exit 1
fi
