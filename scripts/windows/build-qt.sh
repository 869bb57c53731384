#!/usr/bin/env bash
# Builds Qt 6.4.2, SQLite and GoogleTest for Windows from Debian's sources into $cache, the
# same as the prebuilt qt6-mingw-6.4.2.tar.xz (see its PROVENANCE.md): used when that file is
# not beside the repository. Takes about 40 minutes on 2 cores.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

toolchain="$repo/cmake/mingw-w64.cmake"
need_packages tcl

# SQLite: Debian's source, its amalgamation, one DLL shared by Qt's driver and the program.
sqlite_prefix="$cache/sqlite-mingw"
if [ ! -f "$sqlite_prefix/bin/libsqlite3-0.dll" ]; then
    src=$(debian_source sqlite3)
    work="$cache/sqlite-build"
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && "$src/configure" >configure.log && make sqlite3.c >make.log)
    # The compile-time options Debian builds its own libsqlite3 with.
    read -r -a defines < <(grep -o -- '-DSQLITE_[A-Z0-9_]*\(=[0-9]*\)\?' "$src/debian/rules" | sort -u | tr '\n' ' ')
    mkdir -p "$sqlite_prefix/bin" "$sqlite_prefix/lib" "$sqlite_prefix/include"
    heavy "$mingw-gcc-posix" -O2 -shared "${defines[@]}" "$work/sqlite3.c" -o "$sqlite_prefix/bin/libsqlite3-0.dll" \
        -Wl,--out-implib,"$sqlite_prefix/lib/libsqlite3.dll.a"
    cp "$work/sqlite3.h" "$src/src/sqlite3ext.h" "$sqlite_prefix/include/" 2>/dev/null ||
        cp "$work/sqlite3.h" "$work/sqlite3ext.h" "$sqlite_prefix/include/"
    rm -rf "$work"
fi

# GoogleTest: Debian's copy in /usr/src/googletest, static.
gtest_prefix="$cache/gtest-mingw"
if [ ! -f "$gtest_prefix/lib/libgtest.a" ]; then
    need_packages googletest
    heavy cmake -S /usr/src/googletest -B "$cache/gtest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -Dgtest_disable_pthreads=OFF >/dev/null
    heavy cmake --build "$cache/gtest-build" -j"$jobs" >/dev/null
    cmake --install "$cache/gtest-build" >/dev/null
    rm -rf "$cache/gtest-build"
fi

# Qt: Core, Gui, Widgets, Sql (SQLite, ODBC) and Test; Debian's own Qt as the host tools.
qt_prefix="$cache/qt6-mingw"
if [ ! -f "$qt_prefix/bin/Qt6Core.dll" ]; then
    src=$(debian_source qt6-base)
    # Qt 6.4.2 does not link the Windows platform plugin with Direct2D off.
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
        "$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
    work="$cache/qt-build"
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && heavy "$src/configure" -prefix "$qt_prefix" -release -shared -xplatform win32-g++ \
        -qt-host-path /usr -nomake examples -nomake tests -nomake benchmarks -no-opengl -no-dbus -no-icu \
        -no-fontconfig -qt-freetype -no-zstd -no-openssl -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-harfbuzz \
        -qt-doubleconversion -no-feature-network -no-feature-concurrent -no-feature-xml \
        -no-feature-printsupport -no-feature-vulkan -no-feature-tabletevent -no-feature-direct2d \
        -sql-sqlite -system-sqlite -sql-odbc -no-sql-mysql -no-sql-psql -no-sql-ibase -no-sql-oci \
        -no-sql-db2 -no-sql-mimer -- -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "-DORVEX_WINDOWS_PREFIXES=$sqlite_prefix" >configure.log)
    (cd "$work" && heavy cmake --build . -j"$jobs" >build.log && cmake --install . >install.log)
    rm -rf "$work"
fi
