#!/usr/bin/env bash
# The test matrix CI runs (.ci/run): installs what is missing, then runs every stage and
# prints how long each took. Stages, in order:
#   format  clang-format over the sources
#   dev     the dev preset (warnings as errors), every test
#   asan    AddressSanitizer and UBSan, without the window: its tests are the rest
#   fuzz    the libFuzzer targets (clang), each over its checked-in seeds
#   tidy    clang-tidy (.clang-tidy) over src/, from the dev build's compile_commands.json
#           (a copy without the precompiled headers)
# Name stages to run only those: scripts/test.sh dev tidy ("tidy" needs the dev build).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc)"

stage_format() {
    scripts/check-format.sh
}

stage_dev() {
    scripts/build.sh
    ctest --preset dev -j"$jobs"
}

stage_asan() {
    cmake --preset asan >/dev/null
    cmake --build --preset asan -j"$jobs"
    ctest --preset asan -j"$jobs"
}

stage_fuzz() {
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j"$jobs"
    ctest --preset fuzz
}

stage_tidy() {
    local root
    root="$(pwd)"
    # clang-tidy cannot read GCC's precompiled headers: it gets the database without them.
    mkdir -p build/dev/tidy
    python3 scripts/compile-db-without-pch.py build/dev/compile_commands.json build/dev/tidy/compile_commands.json
    run-clang-tidy -quiet -p build/dev/tidy -j"$jobs" -header-filter="^$root/src/" "^$root/src/"
}

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(format dev asan fuzz tidy)
for stage in "${stages[@]}"; do
    declare -F "stage_$stage" >/dev/null || { echo "unknown stage: $stage" >&2; exit 2; }
done

scripts/install-deps.sh
timings=()
for stage in "${stages[@]}"; do
    echo "=== stage $stage"
    start=$SECONDS
    "stage_$stage"
    timings+=("$stage $((SECONDS - start)) s")
done
echo "=== every stage passed:"
printf '  %s\n' "${timings[@]}"
