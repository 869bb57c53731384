#!/bin/sh
# Opening the review page in a browser: the PH scan of the whole update resource writes its
# report.html (review_bench with a folder to keep), and so does the update run over both 2024
# lists with Ver B and description updates (orvex-cli, every class of change), and
# review_bench the page of a run of 130,000 lines, each a change; then headless Chromium
# opens each page and, for comparison, an empty one, RUNS times each (default 5), in two
# ways: the first screen (--screenshot of a 1280x1000 window, taken once the page has
# loaded and its script has laid out the rows in view) and the whole document
# (--dump-dom). The medians of the whole browser process's wall time are printed; the
# difference to the empty page is what the page itself costs, the rest is the browser's own
# start.
#
#   bench/review_open.sh [RUNS]      after scripts/build.sh
set -eu
runs=${1:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "chromium is not installed (scripts/install-deps.sh installs it)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/build/dev/bin/review_bench" 1 "$work" > /dev/null
update="$work/update"
mkdir -p "$update"
cp "$here/build/dev/bin/ICD PH 2024.txt" "$here/build/dev/bin/ICD PH 2024_PROCEDURE.txt" "$update/"
"$here/build/dev/bin/orvex-cli" --workdir "$update" db init > /dev/null
"$here/build/dev/bin/orvex-cli" --workdir "$update" update --ver-b --update-descriptions > /dev/null

# open_ms HOW URL: HOW is "--screenshot=FILE --window-size=1280,1000" or "--dump-dom".
open_ms() {
    start=$(date +%s%N)
    # shellcheck disable=SC2086 # HOW is two options or one
    "$browser" --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$work/profile" \
        $1 "$2" > /dev/null 2>&1
    echo $(( ($(date +%s%N) - start) / 1000000 ))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
medians() { for i in $(seq "$runs"); do open_ms "$1" "$2"; done | median; }

for how in "--screenshot=$work/first.png --window-size=1280,1000" "--dump-dom"; do
    echo "${how%% *}"
    blank=$(medians "$how" "about:blank")
    echo "  empty page: median ${blank} ms"
    for file in "$work/output/report.html" "$update/output/report.html" "$work/large/report.html"; do
        report=$(medians "$how" "file://$file")
        echo "  $(wc -c < "$file") bytes: median ${report} ms, the page itself $((report - blank)) ms: $file"
    done
done
