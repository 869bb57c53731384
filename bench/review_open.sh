#!/bin/sh
# Opening the review page in a browser: the PH scan of the whole update resource writes its
# report.html (review_bench with a folder to keep), and so does the update run over both 2024
# lists with Ver B and description updates (orvex-cli, every class of change); then headless
# Chromium loads each page and, for comparison, an empty one, RUNS times each (default 5),
# and the medians of the whole browser process's wall time are printed. The difference is
# what the page itself costs; the rest is the browser's own start.
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

open_ms() {
    start=$(date +%s%N)
    "$browser" --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$work/profile" \
        --dump-dom "$1" > /dev/null 2>&1
    echo $(( ($(date +%s%N) - start) / 1000000 ))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

blank=$(for i in $(seq "$runs"); do open_ms "about:blank"; done | median)
echo "empty page   median ${blank} ms"
for file in "$work/output/report.html" "$update/output/report.html"; do
    report=$(for i in $(seq "$runs"); do open_ms "file://$file"; done | median)
    echo "$(wc -c < "$file") bytes, median ${report} ms (the page itself: $((report - blank)) ms): $file"
done
