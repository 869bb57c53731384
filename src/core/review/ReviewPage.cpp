#include "review/ChangeClass.h"
#include "review/ChangeValues.h"
#include "review/ReviewRun.h"
#include "review/TextDiff.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QMap>

namespace orvex::review {

namespace {

// Codes and descriptions come from outside: every text goes through here.
QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// The page loads nothing: the policy forbids every fetch, and only its own style and
// script run.
const char kHead[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>%1</title>
<style>
body { font: 14px/1.4 system-ui, sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; } h2 { font-size: 1.15em; margin-top: 1.8em; }
table { border-collapse: collapse; margin: .5em 0; }
th, td { border: 1px solid #ccc; padding: 3px 6px; vertical-align: top; text-align: left; }
th { background: #f0f0f0; }
td.num { text-align: right; white-space: nowrap; }
table.facts th { width: 9em; }
del { background: #fdd; color: #900; } ins { background: #dfd; color: #060; text-decoration: none; }
.pct { color: #555; font-size: .9em; }
.none { color: #777; font-style: italic; }
/* A run over a whole list holds thousands of rows: the browser lays out only the sections in view. */
section.changes { content-visibility: auto; contain-intrinsic-size: auto 3000px; }
#filterbar { position: sticky; top: 0; background: #fff; padding: .5em 0; border-bottom: 1px solid #ccc; }
#filter { width: 22em; }
</style>
</head>
<body>
)";

const char kScript[] = R"(<script>
(function () {
  var box = document.getElementById('filter');
  var rows = document.querySelectorAll('tr.change');
  var shown = document.getElementById('shown');
  function apply() {
    var text = box.value.toLowerCase();
    var count = 0;
    for (var i = 0; i < rows.length; i++) {
      var hit = text === '' || rows[i].textContent.toLowerCase().indexOf(text) >= 0;
      rows[i].hidden = !hit;
      if (hit) count++;
    }
    shown.textContent = count + ' of ' + rows.length + ' rows shown';
  }
  box.addEventListener('input', apply);
  var start = /^#filter=(.*)$/.exec(window.location.hash);
  if (start) {
    try { box.value = decodeURIComponent(start[1]); } catch (e) { box.value = start[1]; }
  }
  apply();
})();
</script>
</body>
</html>
)";

QString markedDiff(const QString& before, const QString& after, bool afterSide)
{
    QString out;
    for (const DiffPart& part : wordDiff(before, after)) {
        if (part.kind == DiffPart::Kind::Same)
            out += esc(part.text);
        else if (part.kind == DiffPart::Kind::Deleted && !afterSide)
            out += QStringLiteral("<del>") + esc(part.text) + QStringLiteral("</del>");
        else if (part.kind == DiffPart::Kind::Inserted && afterSide)
            out += QStringLiteral("<ins>") + esc(part.text) + QStringLiteral("</ins>");
    }
    return out;
}

QString td(const QString& html, const char* cssClass = nullptr)
{
    return (cssClass ? QStringLiteral("<td class=\"%1\">").arg(QLatin1String(cssClass))
                     : QStringLiteral("<td>")) +
           html + QStringLiteral("</td>");
}

void appendRow(QString& out, const jobs::Finding& f, std::span<const char* const> amountColumns,
               const char* rowClass = "change")
{
    out += QStringLiteral("<tr class=\"%1\">").arg(QLatin1String(rowClass));
    out += td(esc(f.code));
    const DescriptionPair d = descriptionsOf(f);
    if (d.changed && !d.before.isEmpty()) {
        out += td(markedDiff(d.before, d.after, false));
        out += td(markedDiff(d.before, d.after, true));
    } else {
        out += td(esc(d.before));
        out +=
            td(d.changed ? QStringLiteral("<ins>") + esc(d.after) + QStringLiteral("</ins>") : esc(d.after));
    }
    for (const char* column : amountColumns) {
        const QString before = amountBefore(f, column);
        const QString after = amountAfter(f, column);
        out += td(esc(before), "num");
        const QString percent = changePercent(before, after);
        out += td(esc(after) + (percent.isEmpty() ? QString()
                                                  : QStringLiteral(" <span class=\"pct\">(") + esc(percent) +
                                                        QStringLiteral(")</span>")),
                  "num");
    }
    out += td(esc(f.table) + QStringLiteral("<br>") + esc(f.keyColumn.trimmed()) + QStringLiteral(" = ") +
              esc(f.key));
    // A run over the built-in resource or over the tables themselves names no file.
    const QString where =
        (f.sourceFile.isEmpty() ? QString() : esc(QFileInfo(f.sourceFile).fileName())) +
        (f.sourceLine > 0 ? QStringLiteral(":") + QString::number(f.sourceLine) : QString());
    out += QStringLiteral("<td title=\"%1\">%2</td>").arg(esc(QDir::toNativeSeparators(f.sourceFile)), where);
    out += QStringLiteral("</tr>\n");
}

QString columnHeads(std::span<const char* const> amountColumns)
{
    QString out =
        QStringLiteral("<thead><tr><th>Code</th><th>Description before</th><th>Description after</th>");
    for (const char* column : amountColumns)
        out += QStringLiteral("<th>%1 before</th><th>%1 after</th>").arg(QLatin1String(column));
    return out + QStringLiteral("<th>Table and key</th><th>List line</th></tr></thead>\n");
}

} // namespace

void writeReviewPage(const ReviewRun& run, QIODevice& device)
{
    QMap<ChangeClass, std::vector<const jobs::Finding*>> byClass;
    for (const jobs::Finding& f : run.changes) {
        if (const std::optional<ChangeClass> c = classOf(f))
            byClass[*c].push_back(&f);
    }

    // Written a row at a time: a run over whole lists has thousands of rows.
    QString out = QString::fromUtf8(kHead).arg(esc(run.title + QStringLiteral(": changes for review")));
    out += QStringLiteral("<h1>%1: changes for review</h1>\n").arg(esc(run.title));
    out += QStringLiteral("<table class=\"facts\">\n<tr><th>Source files</th><td>");
    QStringList sources;
    for (const QString& source : run.sources)
        sources << esc(QDir::toNativeSeparators(source));
    out += sources.join(QStringLiteral("<br>"));
    out += QStringLiteral("</td></tr>\n<tr><th>Date</th><td id=\"run-date\">%1</td></tr>\n"
                          "<tr><th>User</th><td id=\"run-user\">%2</td></tr>\n"
                          "<tr><th>Database</th><td id=\"run-database\">%3</td></tr>\n")
               .arg(esc(reviewDateTime(run.when)), esc(run.user), esc(run.database));
    // What an apply's question names, so that a record changed after this review is seen.
    if (!run.recordDigest.isEmpty())
        out += QStringLiteral(
                   "<tr><th>Run record</th><td id=\"run-record\">changes.json, SHA-256 %1</td></tr>\n")
                   .arg(esc(run.recordDigest));
    out += QStringLiteral("</table>\n");
    if (!run.notRead.isEmpty()) {
        QStringList items;
        for (const QString& item : run.notRead)
            items << esc(item);
        out += QStringLiteral("<p id=\"not-read\" style=\"color: #900; font-weight: bold\">This run did not "
                              "read everything; its "
                              "changes are only those of the lines read. Not read:</p>\n<ul>\n<li>") +
               items.join(QStringLiteral("</li>\n<li>")) + QStringLiteral("</li>\n</ul>\n");
    }

    out += QStringLiteral("<table id=\"counts\">\n<tr><th>Class</th><th>Changes</th></tr>\n");
    for (const ChangeClass c : run.classes) {
        out +=
            QStringLiteral("<tr><td><a href=\"#%1\">%2</a></td><td class=\"num\">%3</td>%4</tr>\n")
                .arg(className(c), esc(classHeading(c)))
                .arg(int(byClass.value(c).size()))
                .arg(run.notApplied.contains(c)
                         ? QStringLiteral("<td class=\"not-applied\" style=\"color: #900\">not applied</td>")
                         : QString());
    }
    if (!run.overridden.empty())
        out += QStringLiteral("<tr><td><a href=\"#overridden\">Lines a later line overrides</a></td>"
                              "<td class=\"num\">%1</td></tr>\n")
                   .arg(int(run.overridden.size()));
    out += QStringLiteral("</table>\n");
    out += QStringLiteral("<div id=\"filterbar\"><label>Filter: <input id=\"filter\" type=\"search\" "
                          "placeholder=\"code or text\"></label> <span id=\"shown\"></span></div>\n");

    const QString heads = columnHeads(run.amountColumns);
    for (const ChangeClass c : run.classes) {
        const std::vector<const jobs::Finding*> rows = byClass.value(c);
        out += QStringLiteral("<section id=\"%1\" class=\"changes\">\n<h2>%2 (%3)</h2>\n")
                   .arg(className(c), esc(classHeading(c)))
                   .arg(int(rows.size()));
        if (rows.empty()) {
            out += QStringLiteral("<p class=\"none\">None.</p>\n</section>\n");
            continue;
        }
        const bool notApplied = run.notApplied.contains(c);
        if (notApplied)
            out += QStringLiteral("<p class=\"not-applied\" style=\"color: #900; font-weight: bold\">Not "
                                  "applied: %1.</p>\n")
                       .arg(esc(run.notApplied.value(c)));
        out += QStringLiteral("<table>\n") + heads + QStringLiteral("<tbody>\n");
        for (const jobs::Finding* f : rows) {
            appendRow(out, *f, run.amountColumns, notApplied ? "change not-applied" : "change");
            device.write(out.toUtf8());
            out.clear();
        }
        out += QStringLiteral("</tbody>\n</table>\n</section>\n");
    }
    if (!run.overridden.empty()) {
        out += QStringLiteral("<section id=\"overridden\" class=\"changes\">\n<h2>Lines a later line "
                              "overrides (%1)</h2>\n<p>The list names these rows again further down; the "
                              "last line for a row holds, and these are not applied.</p>\n<table>\n")
                   .arg(int(run.overridden.size())) +
               heads + QStringLiteral("<tbody>\n");
        for (const jobs::Finding& f : run.overridden) {
            appendRow(out, f, run.amountColumns, "change overridden");
            device.write(out.toUtf8());
            out.clear();
        }
        out += QStringLiteral("</tbody>\n</table>\n</section>\n");
    }
    out += QLatin1String(kScript);
    device.write(out.toUtf8());
}

} // namespace orvex::review
