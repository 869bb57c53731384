#!/usr/bin/env bash
# Packages the Windows build (build/windows) two ways, in build/windows/package:
#   Orvex-<version>-windows-x64.zip        portable: unzip anywhere and run; the marker file
#                                           keeps its program folder and settings beside it;
#   Orvex-<version>-windows-x64-setup.exe  installer (NSIS, orvex.nsi).
# The DLLs are those the executables and plugins import, found by walking `objdump -p`.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

version=$(sed -n 's/^project(Orvex VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
out="$build_dir/package"
stage="$out/Orvex"
rm -rf "$out"
mkdir -p "$stage"

qt="$cache/qt6-mingw"
search=("$qt/bin" "$cache/sqlite-mingw/bin" "$cache/poppler-mingw/bin" "/usr/lib/gcc/$mingw/12-posix"
    "/usr/$mingw/lib")

cp "$build_dir/bin/orvex.exe" "$build_dir/bin/orvex-cli.exe" "$stage/"
# The plugins Qt loads from beside the executables.
for plugin in platforms/qwindows.dll sqldrivers/qsqlite.dll sqldrivers/qsqlodbc.dll \
    styles/qwindowsvistastyle.dll imageformats/qico.dll imageformats/qjpeg.dll imageformats/qgif.dll; do
    mkdir -p "$stage/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin" "$stage/$plugin"
done

# The DLLs imported by what is staged, and by those in turn. A DLL found in none of the
# folders searched is Windows' own.
find_dll() {
    local d
    for d in "${search[@]}"; do
        [ -f "$d/$1" ] && { echo "$d/$1"; return 0; }
    done
    return 1
}
pending=$(find "$stage" -name '*.exe' -o -name '*.dll')
declare -A seen=()
while [ -n "$pending" ]; do
    next=""
    for binary in $pending; do
        for dll in $("$mingw-objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p'); do
            [ -n "${seen[$dll]:-}" ] && continue
            seen[$dll]=1
            if path=$(find_dll "$dll"); then
                cp "$path" "$stage/"
                next="$next $stage/$dll"
            fi
        done
    done
    pending="$next"
done
(cd "$stage" && ls ./*.dll | sed 's|^\./||' >"$out/dlls.txt")

# What the program folder starts with: the two 2024 rate lists; the data the sample
# databases are built from (also inside the program) with its provenance.
cp "$repo/data/philhealth-caserates-2024/ICD PH 2024.txt" \
    "$repo/data/philhealth-caserates-2024/ICD PH 2024_PROCEDURE.txt" "$stage/"
mkdir -p "$stage/data"
cp -r "$repo/data/who-icd10-2010" "$repo/data/philhealth-konsulta-lib-icd" "$repo/data/README.md" "$stage/data/"
mkdir -p "$stage/data/philhealth-caserates-2024"
cp "$repo/data/philhealth-caserates-2024/PROVENANCE.md" "$stage/data/philhealth-caserates-2024/"

"$repo/scripts/windows/licences.sh" "$stage/licences"
sed "s/@VERSION@/$version/" "$repo/scripts/windows/README-windows.txt" | sed 's/$/\r/' >"$stage/README.txt"

# The zip is portable: its marker keeps the program folder and the settings beside it.
printf 'This file makes Orvex keep its program folder and its settings in this folder.\r\n' \
    >"$out/portable.txt"
zip_name="Orvex-$version-windows-x64.zip"
(cd "$out" && cp portable.txt Orvex/orvex-portable.txt && zip -qr "$zip_name" Orvex && rm Orvex/orvex-portable.txt)

# The installer's file lists: what it installs, and so what its uninstaller removes. The
# rate lists are the program folder's own (orvex.nsi places them).
(
    cd "$stage"
    find . -type f ! -name 'ICD PH 2024*.txt' | sed 's|^\./||' | sort | while read -r f; do
        dir=$(dirname "$f")
        if [ "$dir" = . ]; then echo "SetOutPath \"\$INSTDIR\""; else echo "SetOutPath \"\$INSTDIR\\${dir//\//\\}\""; fi
        echo "File \"\${STAGE}/$f\""
    done >"$out/install-files.nsh"
    {
        find . -type f ! -name 'ICD PH 2024*.txt' | sed 's|^\./||' | sort |
            while read -r f; do echo "Delete \"\$INSTDIR\\${f//\//\\}\""; done
        find . -mindepth 1 -type d | sed 's|^\./||' | sort -r |
            while read -r d; do echo "RMDir \"\$INSTDIR\\${d//\//\\}\""; done
    } >"$out/uninstall-files.nsh"
)
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DLISTS="$out" -DOUTFILE="$out/Orvex-$version-windows-x64-setup.exe" \
    "$repo/scripts/windows/orvex.nsi"
ls -l "$out"/*.zip "$out"/*.exe | awk '{printf "%s %.1f MB\n", $NF, $5 / 1048576}'
echo "DLLs: $(wc -l <"$out/dlls.txt") ($(tr '\n' ' ' <"$out/dlls.txt"))"
