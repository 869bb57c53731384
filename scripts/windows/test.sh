#!/usr/bin/env bash
# Tests the Windows build of scripts/windows/build.sh under Wine:
#   1. the core, CLI, annex and window suites (offscreen platform), each with a time limit,
#      judged by the results they write (a program Wine does not end in time still counts by
#      them); every test passes or is skipped with the reason printed;
#   2. the loop db init, scan --ph --update-resource, update, apply --yes, undo --last --yes on
#      the embedded sample, whose output folder and databases must equal the Linux build's
#      (build/dev) once run ids, times, paths and the user are masked;
#   3. the portable zip, on its own DLLs; the installer, installed and uninstalled silently,
#      per user and for all users.
# Prints how long each step took. With arguments (suites, loop, portable, installer) only
# those steps run; ORVEX_WINDOWS_SUITES names the suites to run.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
wine_env
bin="$build_dir/bin"
results="$build_dir/test-results"
suite_limit="${ORVEX_WINDOWS_SUITE_LIMIT:-900}"
failed=0

start_wine() {
    [ -f "$WINEPREFIX/system.reg" ] || wineboot --init >/dev/null 2>&1
    wineserver --wait 2>/dev/null || true
    provide_fonts
}

# A Windows workstation has Arial, Times New Roman and Courier New; a fresh Wine prefix has
# none of them, so Poppler draws the annexes' text (Georgia, not embedded, drawn in Arial's
# stead) without a glyph and every word reads as invisible. The metric-compatible Liberation
# fonts stand in under the file names Windows gives them, and DejaVu Sans for the made-up
# annexes the tests draw.
provide_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts" liberation=/usr/share/fonts/truetype/liberation2
    mkdir -p "$fonts"
    local -A stand_ins=(
        [arial]=Sans-Regular [arialbd]=Sans-Bold [ariali]=Sans-Italic [arialbi]=Sans-BoldItalic
        [times]=Serif-Regular [timesbd]=Serif-Bold [timesi]=Serif-Italic [timesbi]=Serif-BoldItalic
        [cour]=Mono-Regular [courbd]=Mono-Bold [couri]=Mono-Italic [courbi]=Mono-BoldItalic)
    local name
    for name in "${!stand_ins[@]}"; do
        cp -u "$liberation/Liberation${stand_ins[$name]}.ttf" "$fonts/$name.ttf"
    done
    cp -u /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf "$fonts/"
}

# One suite: its XML results decide, not how (or whether) Wine ended the program.
run_suite() {
    local suite="$1" xml="$results/$1.xml" started=$SECONDS
    rm -f "$xml"
    # A program whose results are written but that Wine has not ended 15 s later is ended.
    QT_QPA_PLATFORM=offscreen wine "$bin/$suite.exe" "--gtest_output=xml:$(winepath -w "$xml")" \
        >"$results/$suite.log" 2>&1 &
    local pid=$! written=""
    while kill -0 "$pid" 2>/dev/null; do
        if [ $((SECONDS - started)) -ge "$suite_limit" ]; then
            echo "   $suite ran out of its $suite_limit s"
            break
        fi
        [ -z "$written" ] && [ -s "$xml" ] && written=$SECONDS
        if [ -n "$written" ] && [ $((SECONDS - written)) -ge 15 ]; then
            echo "   $suite wrote its results but had not ended 15 s later: ended"
            break
        fi
        sleep 1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wineserver -k 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
    if ! python3 "$repo/scripts/windows/gtest_results.py" "$xml" "$suite" "$((SECONDS - started))"; then
        echo "   log: $results/$suite.log"
        failed=1
    fi
}

suites() {
    mkdir -p "$results"
    local suite
    for suite in ${ORVEX_WINDOWS_SUITES:-orvex_core_tests orvex_cli_tests orvex_annex_tests orvex_gui_tests}; do
        run_suite "$suite"
    done
}

# The loop, on Linux and under Wine, each in a folder of its own holding both 2024 lists.
loop() {
    local linux_cli="$repo/build/dev/bin/orvex-cli"
    if [ ! -x "$linux_cli" ]; then
        echo "no Linux build in build/dev: building orvex-cli there (scripts/build.sh)"
        heavy "$repo/scripts/build.sh" orvex-cli >/dev/null
    fi
    local work="$results/loop"
    rm -rf "$work"
    local side
    for side in linux windows; do
        mkdir -p "$work/$side"
        cp "$repo/data/philhealth-caserates-2024/ICD PH 2024.txt" \
            "$repo/data/philhealth-caserates-2024/ICD PH 2024_PROCEDURE.txt" "$work/$side/"
    done
    local -a commands=("db init" "scan --ph --update-resource" "update" "apply --yes" "undo --last --yes")
    local c
    for c in "${commands[@]}"; do
        # shellcheck disable=SC2086 # each command is words
        "$linux_cli" --workdir "$work/linux" $c >>"$work/linux.log" 2>&1 ||
            { echo "Linux: orvex-cli $c failed, see $work/linux.log"; failed=1; return; }
        # shellcheck disable=SC2086
        timeout 600 wine "$bin/orvex-cli.exe" --workdir "$(winepath -w "$work/windows")" $c \
            >>"$work/windows.log" 2>&1 ||
            { echo "Wine: orvex-cli $c failed, see $work/windows.log"; failed=1; return; }
    done
    python3 "$repo/scripts/windows/compare_runs.py" "$work/linux" "$work/windows" || failed=1
}

# The portable zip on its own: no library path but its own folder; the program folder is the
# zip's folder.
portable() {
    local zip dir="$results/portable"
    zip=$(ls "$build_dir/package/"Orvex-*-windows-x64.zip)
    rm -rf "$dir" && mkdir -p "$dir"
    unzip -q "$zip" -d "$dir"
    if ! (unset WINEPATH QT_PLUGIN_PATH && cd "$dir/Orvex" && timeout 300 wine orvex-cli.exe db init) \
        >"$dir.log" 2>&1 || [ ! -f "$dir/Orvex/db/Medicare.db" ]; then
        echo "portable zip: orvex-cli db init did not build the databases in its folder, see $dir.log"
        failed=1
    else
        echo "portable zip: runs from its own folder with its own DLLs; db init built $dir/Orvex/db"
    fi
}

# The installer: silent per-user and all-users installs, each with its silent uninstall,
# which must leave the program folder's own files.
installer() {
    local setup
    setup=$(ls "$build_dir/package/"Orvex-*-setup.exe)
    local user_dir all_dir
    user_dir="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")/Programs/Orvex"
    all_dir="$(winepath -u "$(wine cmd /c echo %ProgramW6432% 2>/dev/null | tr -d '\r')")/Orvex"
    local mode dir
    for mode in CurrentUser AllUsers; do
        [ "$mode" = CurrentUser ] && dir="$user_dir" || dir="$all_dir"
        rm -rf "$dir"
        wine "$setup" /S "/$mode" >/dev/null 2>&1
        wineserver --wait
        local missing=""
        for f in orvex.exe orvex-cli.exe uninstall.exe platforms/qwindows.dll sqldrivers/qsqlite.dll \
            licences/README.txt; do
            [ -f "$dir/$f" ] || missing="$missing $f"
        done
        if [ -n "$missing" ]; then
            echo "installer /$mode: missing in $dir:$missing"
            failed=1
            continue
        fi
        if ! timeout 120 wine "$dir/orvex-cli.exe" --version >/dev/null 2>&1; then
            echo "installer /$mode: the installed orvex-cli.exe does not run"
            failed=1
        fi
        echo "kept" >"$dir/Build_FILE.db" # stands for the program folder's own files
        wine "$dir/uninstall.exe" /S "/$mode" >/dev/null 2>&1
        wineserver --wait
        sleep 2 # the uninstaller runs from a copy of itself that may still be at work
        if [ -f "$dir/orvex.exe" ] || [ -f "$dir/platforms/qwindows.dll" ] || [ ! -f "$dir/Build_FILE.db" ]; then
            echo "uninstaller /$mode: the program stayed or the program folder's files went ($dir)"
            failed=1
        else
            echo "installer /$mode: installed in $dir, uninstalled; the program folder's files stayed"
        fi
        rm -rf "$dir"
    done
}

# Steps named on the command line (suites, loop, portable, installer) run alone.
wanted() {
    local name="$1"
    shift
    [ $# -eq 0 ] || [[ " $* " == *" $name "* ]]
}
step "Wine prefix" start_wine
wanted suites "$@" && step "suites under Wine" suites
wanted loop "$@" && step "loop, Linux and Wine" loop
wanted portable "$@" && step "portable zip under Wine" portable
wanted installer "$@" && step "installer under Wine" installer
if [ "$failed" -ne 0 ]; then
    echo "Windows tests FAILED"
    exit 1
fi
echo "Windows tests passed"
