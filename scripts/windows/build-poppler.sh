#!/usr/bin/env bash
# Cross-builds Poppler with its Qt 6 binding for Windows from Debian's sources, with what
# reading an annex needs: FreeType (text and the drawn page). Left out: zlib (Poppler reads
# Flate streams itself and writes no PDF here), JPEG, JPEG 2000, colour management, PNG/TIFF,
# NSS, curl, Cairo, GLib, the utilities; the 2024 annexes hold text and embedded TrueType
# fonts only.
# Installs into $cache/poppler-mingw; reused while the sources, this script and the
# toolchain are unchanged.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

prefix="$cache/poppler-mingw"
toolchain="$repo/cmake/mingw-w64.cmake"
qt="$cache/qt6-mingw"

freetype_src=$(debian_source freetype)
poppler_src=$(debian_source poppler)
digest=$(inputs_digest "$0" "$toolchain" "$freetype_src" "$poppler_src" "$qt/bin/Qt6Core.dll")
if [ -f "$prefix/.inputs" ] && [ "$(cat "$prefix/.inputs")" = "$digest" ]; then
    echo "Poppler for Windows is up to date in $prefix"
    exit 0
fi
rm -rf "$prefix"
work="$cache/poppler-build"
rm -rf "$work"
mkdir -p "$work" "$prefix"

cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$prefix" "-DORVEX_WINDOWS_PREFIXES=$prefix;$qt")

# FreeType: static, so that Poppler carries it inside its DLL; with its own inflate for
# gzip-packed fonts, and no PNG, bzip2, Brotli or HarfBuzz.
heavy cmake -S "$freetype_src" -B "$work/freetype" "${cross[@]}" -DBUILD_SHARED_LIBS=OFF \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
    -DFT_DISABLE_HARFBUZZ=ON >"$work/freetype.log"
heavy cmake --build "$work/freetype" -j"$jobs" >>"$work/freetype.log"
heavy cmake --install "$work/freetype" >>"$work/freetype.log"

# Poppler: libpoppler and libpoppler-qt6 as DLLs.
heavy cmake -S "$poppler_src" -B "$work/poppler" "${cross[@]}" \
    -DENABLE_QT6=ON -DENABLE_QT5=OFF -DENABLE_CPP=OFF -DENABLE_GLIB=OFF -DENABLE_UTILS=OFF \
    -DENABLE_GOBJECT_INTROSPECTION=OFF -DENABLE_BOOST=OFF -DENABLE_LIBCURL=OFF \
    -DENABLE_DCTDECODER=none -DENABLE_LIBOPENJPEG=none -DENABLE_CMS=none -DENABLE_NSS3=OFF \
    -DWITH_Cairo=OFF -DWITH_NSS3=OFF -DWITH_TIFF=OFF -DWITH_PNG=OFF -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON \
    -DBUILD_GTK_TESTS=OFF -DBUILD_QT5_TESTS=OFF -DBUILD_QT6_TESTS=OFF -DBUILD_CPP_TESTS=OFF \
    -DBUILD_MANUAL_TESTS=OFF -DENABLE_ZLIB=OFF -DRUN_GPERF_IF_PRESENT=OFF \
    -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a" -DFREETYPE_INCLUDE_DIRS="$prefix/include/freetype2" \
    -DTESTDATADIR="$work" >"$work/poppler.log"
heavy cmake --build "$work/poppler" -j"$jobs" >>"$work/poppler.log"
heavy cmake --install "$work/poppler" >>"$work/poppler.log"
# The binding's pkg-config file: Qt's own targets come from CMake, so it needs none of Qt's.
sed -i '/^Requires/d' "$prefix/lib/pkgconfig/poppler-qt6.pc"
for f in "$prefix/bin/"libpoppler*.dll "$prefix/include/poppler/qt6/poppler-qt6.h"; do
    [ -f "$f" ] || { echo "Poppler's install lacks $f: see $work/poppler.log" >&2; exit 1; }
done
cp "$poppler_src/COPYING" "$prefix/COPYING.poppler"
cp "$freetype_src/docs/FTL.TXT" "$prefix/COPYING.freetype" 2>/dev/null || true
echo "$digest" >"$prefix/.inputs"
rm -rf "$work"
