#!/usr/bin/env bash
# Cross-builds the tool for 64-bit Windows on Debian 12 and packages it:
#   1. the Debian packages it needs (MinGW-w64, Wine, NSIS, ...);
#   2. Qt, SQLite and GoogleTest for Windows: the prebuilt ../shared/windows tarball when it is
#      there, else built from Debian's sources (build-qt.sh, about 40 minutes);
#   3. Poppler with its Qt 6 binding from Debian's source (build-poppler.sh);
#   4. orvex.exe, orvex-cli.exe and the test suites in build/windows;
#   5. the portable zip and the installer in build/windows/package (package.sh).
# What is built once lives in ~/.cache/orvex-windows and is reused while its inputs are
# unchanged. Prints how long each step took. Then scripts/windows/test.sh runs the suites.
# ORVEX_WINDOWS_OPTIMIZE (default -O2, as the Linux build) trades speed of the programs for
# time to build them (-O0 for a quick check on a busy machine).
set -euo pipefail
. "$(dirname "$0")/lib.sh"
started=$SECONDS

install_packages() {
    need_packages g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
        mingw-w64-x86-64-dev wine wine64 nsis zip unzip xz-utils cmake ninja-build pkg-config dpkg-dev \
        qt6-base-dev qt6-base-dev-tools python3 nodejs fonts-liberation2 fonts-dejavu-core
    enable_deb_src
}

prebuilt_libraries() {
    local tarball="$shared_windows/qt6-mingw-6.4.2.tar.xz"
    if [ ! -f "$tarball" ]; then
        echo "no $tarball: building Qt, SQLite and GoogleTest from Debian's sources"
        heavy "$repo/scripts/windows/build-qt.sh"
        return
    fi
    local digest
    digest=$(sha256sum "$tarball" | cut -d' ' -f1)
    if [ -f "$cache/.prebuilt" ] && [ "$(cat "$cache/.prebuilt")" = "$digest" ] &&
        [ -f "$cache/qt6-mingw/bin/Qt6Core.dll" ]; then
        echo "Qt, SQLite and GoogleTest up to date in $cache"
        return
    fi
    rm -rf "$cache/qt6-mingw" "$cache/sqlite-mingw" "$cache/gtest-mingw"
    tar -xJf "$tarball" -C "$cache"
    # Qt's pkg-config files name the folder it was built in.
    sed -i "s|^prefix=.*|prefix=$cache/qt6-mingw|" "$cache/qt6-mingw/lib/pkgconfig/"*.pc
    echo "$digest" >"$cache/.prebuilt"
}

build_tool() {
    local prefixes="$cache/qt6-mingw;$cache/sqlite-mingw;$cache/gtest-mingw;$cache/poppler-mingw"
    local launcher=() optimize="${ORVEX_WINDOWS_OPTIMIZE:--O2}"
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    PKG_CONFIG_LIBDIR="$cache/poppler-mingw/lib/pkgconfig" PKG_CONFIG_PATH="" \
        heavy cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=$optimize -DNDEBUG" -DORVEX_WERROR=ON -DORVEX_BUILD_BENCH=OFF "-DORVEX_WINDOWS_PREFIXES=$prefixes" \
        "${launcher[@]}" >"$build_dir.configure.log" || { cat "$build_dir.configure.log"; return 1; }
    # The command line first (the loop of test.sh needs only it), the window, then the suites.
    heavy cmake --build "$build_dir" -j"$jobs" -- orvex-cli
    heavy cmake --build "$build_dir" -j"$jobs" -- orvex
    heavy cmake --build "$build_dir" -j"$jobs" -- orvex_core_tests orvex_cli_tests orvex_annex_tests \
        orvex_gui_tests
}

mkdir -p "$repo/build"
step "packages" install_packages
step "Qt, SQLite, GoogleTest" prebuilt_libraries
step "Poppler" "$repo/scripts/windows/build-poppler.sh"
step "orvex for Windows" build_tool
step "package" "$repo/scripts/windows/package.sh"
took=$((SECONDS - started))
printf '== all: %dm %02ds; cache %s\n' $((took / 60)) $((took % 60)) "$(du -sh "$cache" | cut -f1)"
