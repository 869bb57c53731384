#!/usr/bin/env bash
# Writes the licence texts of what the Windows package ships into the folder given, from
# the Debian packages the parts were built with: Qt (LGPL 3), the GCC runtime (GPL 3 with the
# runtime library exception), winpthreads, SQLite (public domain), FreeType and Poppler
# (GPL 2 or 3). Poppler's GPL asks that its source go with the binaries: its Debian source
# files (and FreeType's) are put in sources/ beside the licences.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
dest="$1"
mkdir -p "$dest/sources"

crlf() { sed 's/$/\r/' "$1" >"$dest/$2"; }
crlf /usr/share/common-licenses/LGPL-3 "Qt-LGPL-3.0.txt"
crlf /usr/share/common-licenses/GPL-3 "GPL-3.0.txt"
crlf /usr/share/common-licenses/GPL-2 "GPL-2.0.txt"
crlf /usr/share/doc/gcc-mingw-w64-base/copyright "GCC-runtime-and-exception.txt"
crlf /usr/share/doc/mingw-w64-x86-64-dev/copyright "mingw-w64-and-winpthreads.txt"
printf 'SQLite is in the public domain: https://www.sqlite.org/copyright.html\n' | sed 's/$/\r/' >"$dest/SQLite.txt"
crlf "$cache/poppler-mingw/COPYING.poppler" "Poppler-GPL-2.0.txt"
[ -f "$cache/poppler-mingw/COPYING.freetype" ] && crlf "$cache/poppler-mingw/COPYING.freetype" "FreeType.txt"

# The exact sources of Poppler and FreeType, as Debian ships them.
for pkg in poppler freetype; do
    dsc=$(ls "$cache/src/${pkg}_"*.dsc | sort -V | tail -1)
    cp "$dsc" "$dest/sources/"
    awk '/^Files:/ {f = 1; next} /^[^ ]/ {f = 0} f && NF == 3 {print $3}' "$dsc" |
        while read -r file; do cp "$cache/src/$file" "$dest/sources/"; done
done
{
    echo "Orvex for Windows ships these parts, each under its own licence:"
    echo "  Qt 6.4.2 (Core, Gui, Widgets, Sql): LGPL 3.0, Qt-LGPL-3.0.txt and GPL-3.0.txt."
    echo "    Built from Debian's qt6-base source; the DLLs can be replaced by the user."
    echo "  GCC runtime (libgcc_s_seh-1.dll, libstdc++-6.dll): GPL 3 with the GCC Runtime"
    echo "    Library Exception, GCC-runtime-and-exception.txt."
    echo "  winpthreads (libwinpthread-1.dll): MIT-style, mingw-w64-and-winpthreads.txt."
    echo "  SQLite (libsqlite3-0.dll): public domain, SQLite.txt."
    echo "  Poppler (libpoppler-*.dll, libpoppler-qt6-3.dll), with FreeType inside: GPL 2 or"
    echo "    later, Poppler-GPL-2.0.txt, FreeType.txt; their complete source is in sources/."
} | sed 's/$/\r/' >"$dest/README.txt"
