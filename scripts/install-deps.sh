#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests, the window and the test matrix of
# scripts/test.sh need (clang with libFuzzer and clang-tidy), and the npm packages of the
# tests (the T-SQL grammar in tests/tsql/grammar). Does nothing when they are all present
# already.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc
          libsqliteodbc tdsodbc libsqlite3-dev libgtest-dev fonts-dejavu-core xvfb xauth
          clang-format pkg-config libpoppler-qt6-dev chromium python3 strace nodejs
          clang clang-tidy libclang-rt-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The grammar the T-SQL test parses with, at the version its lock file names. Debian's
# nodejs brings no npm; a machine whose Node.js has its own npm uses that.
grammar="$(dirname "$0")/../tests/tsql/grammar"
if [ ! -d "$grammar/node_modules/node-sql-parser" ]; then
    if ! command -v npm >/dev/null; then
        sudo_cmd=()
        [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
        "${sudo_cmd[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends npm
    fi
    (cd "$grammar" && npm ci --silent --no-audit --no-fund)
fi
