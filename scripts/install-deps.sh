#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the window need.
# Does nothing when they are all present already.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc
          libsqliteodbc tdsodbc libsqlite3-dev libgtest-dev fonts-dejavu-core xvfb xauth
          clang-format pkg-config libpoppler-qt6-dev chromium python3 strace)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
