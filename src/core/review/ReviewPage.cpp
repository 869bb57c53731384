#include "review/ChangeClass.h"
#include "review/ChangeValues.h"
#include "review/ReviewRun.h"
#include "review/TextDiff.h"
#include "text/JsonText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
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

// The rows come as data (#review-data, below) and are made into table rows here, a part at a
// time as the reader scrolls: a run over whole lists has tens of thousands of rows, which as
// markup would make a page of many megabytes that takes seconds to lay out. Every text is set
// as text, never as markup.
const char kScript[] = R"(<script>
(function () {
  var data = JSON.parse(document.getElementById('review-data').textContent);
  var box = document.getElementById('filter');
  var shown = document.getElementById('shown');
  var part = 50;
  var total = 0;
  data.sections.forEach(function (s) { total += s.rows.length; });
  var watcher = 'IntersectionObserver' in window ? new IntersectionObserver(function (entries) {
    entries.forEach(function (e) { if (e.isIntersecting) more(e.target.section); });
  }, { rootMargin: '1500px' }) : null;

  function text(i) { return i < 0 ? '' : data.texts[i]; }
  function add(parent, tag, value) {
    if (value === '') return;
    if (!tag) { parent.appendChild(document.createTextNode(value)); return; }
    var e = document.createElement(tag);
    e.textContent = value;
    parent.appendChild(e);
  }
  function cell(tr, cls) {
    var td = document.createElement('td');
    if (cls) td.className = cls;
    tr.appendChild(td);
    return td;
  }
  // A row: code, description before and after (indexes into texts), the word differences
  // ([kind, text], 0 same, 1 deleted, 2 inserted) or 0, whether the whole description after
  // is new, the amounts (before, after, percent), table, key, list file and line.
  function row(s, r) {
    var tr = document.createElement('tr');
    tr.className = s.rowClass;
    add(cell(tr), '', r[0]);
    var before = cell(tr), after = cell(tr);
    if (r[3]) {
      r[3].forEach(function (p) {
        if (p[0] !== 2) add(before, p[0] === 1 ? 'del' : '', p[1]);
        if (p[0] !== 1) add(after, p[0] === 2 ? 'ins' : '', p[1]);
      });
    } else {
      add(before, '', text(r[1]));
      add(after, r[4] ? 'ins' : '', text(r[2]));
    }
    for (var i = 0; i < r[5].length; i += 3) {
      add(cell(tr, 'num'), '', r[5][i]);
      var td = cell(tr, 'num');
      add(td, '', r[5][i + 1]);
      if (r[5][i + 2] !== '') {
        td.appendChild(document.createTextNode(' '));
        add(td, 'span', '(' + r[5][i + 2] + ')');
        td.lastChild.className = 'pct';
      }
    }
    var table = data.tables[r[6]];
    var where = cell(tr);
    add(where, '', table[0]);
    where.appendChild(document.createElement('br'));
    add(where, '', table[1] + ' = ' + r[7]);
    var file = r[8] < 0 ? ['', ''] : data.files[r[8]];
    var line = cell(tr);
    line.title = file[0];
    add(line, '', file[1] + (r[9] > 0 ? ':' + r[9] : ''));
    return tr;
  }
  // What the filter looks in: the text of the row's cells.
  function searched(r) {
    if (r.searched === undefined) {
      var words = [r[0], text(r[1]), text(r[2]), r[5].join(' '), data.tables[r[6]].join(' '), r[7],
                   r[8] < 0 ? '' : data.files[r[8]][1], String(r[9])];
      r.searched = words.join(' ').toLowerCase();
    }
    return r.searched;
  }
  function more(s) {
    if (s.sentinel) { watcher.unobserve(s.sentinel); s.sentinel.remove(); s.sentinel = null; }
    var end = Math.min(s.matching.length, s.done + part);
    var rows = document.createDocumentFragment();
    for (; s.done < end; s.done++) rows.appendChild(row(s, s.rows[s.matching[s.done]]));
    if (s.done < s.matching.length) {
      if (!watcher) { s.body.appendChild(rows); more(s); return; }
      s.sentinel = document.createElement('tr');
      s.sentinel.className = 'more';
      s.sentinel.section = s;
      var td = cell(s.sentinel);
      td.colSpan = 99;
      td.textContent = (s.matching.length - s.done) + ' more rows';
      rows.appendChild(s.sentinel);
      watcher.observe(s.sentinel);
    }
    s.body.appendChild(rows);
  }
  function apply() {
    var wanted = box.value.toLowerCase();
    var count = 0;
    data.sections.forEach(function (s) {
      if (!s.body) s.body = document.getElementById(s.id).querySelector('tbody');
      if (s.sentinel) { watcher.unobserve(s.sentinel); s.sentinel = null; }
      s.body.textContent = '';
      s.matching = [];
      for (var i = 0; i < s.rows.length; i++)
        if (wanted === '' || searched(s.rows[i]).indexOf(wanted) >= 0) s.matching.push(i);
      s.done = 0;
      count += s.matching.length;
      more(s);
    });
    shown.textContent = count + ' of ' + total + ' rows shown';
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

// The page's rows as one JSON object, written by hand in QJsonDocument's compact layout (a
// QJsonArray per row costs more than the rest of a scan); each text used more than once
// (descriptions, tables, files) is kept once and named by its index. The members go in
// QJsonObject's order, sorted by name: files, sections, tables, texts. The files and tables
// are named before the rows, so the rows go to the page as they are written and only the
// texts are held until the end. No "<" is written, so no text can end the script element.
class PageData
{
public:
    struct Section
    {
        QString id;
        const char* rowClass;
        std::vector<const jobs::Finding*> rows;
    };

    PageData(std::span<const char* const> amountColumns, QIODevice& device)
        : m_amountColumns(amountColumns), m_device(device)
    {
    }

    void write(const std::vector<Section>& sections)
    {
        size_t rowCount = 0;
        for (const Section& section : sections) {
            rowCount += section.rows.size();
            for (const jobs::Finding* f : section.rows) {
                tableIndex(*f);
                fileIndex(*f);
            }
        }
        // Room for every text at once: growing the index step by step rehashes it each time.
        m_texts.index.reserve(qsizetype(2) * qsizetype(rowCount));
        send("{\"files\":[", m_files.list, "],\"sections\":[");
        for (size_t s = 0; s < sections.size(); ++s) {
            m_out += s > 0 ? ",{\"id\":" : "{\"id\":";
            text::appendJsonString(m_out, sections[s].id);
            m_out += ",\"rowClass\":";
            text::appendJsonString(m_out, QString::fromLatin1(sections[s].rowClass));
            m_out += ",\"rows\":[";
            for (size_t i = 0; i < sections[s].rows.size(); ++i) {
                if (i > 0)
                    m_out += ',';
                row(*sections[s].rows[i]);
                if (m_out.size() > (1 << 16))
                    send("", m_out, "");
            }
            m_out += "]}";
        }
        send("", m_out, "],\"tables\":[");
        send("", m_tables.list, "],\"texts\":[");
        send("", m_texts.list, "]}");
    }

private:
    // A list of JSON values, each written once: its index names it.
    struct Interned
    {
        QHash<QString, int> index;
        QByteArray list;
        int count = 0;

        // The index of `key`; `write` appends its value to `list` the first time.
        template <typename Write> int of(const QString& key, Write write)
        {
            const auto it = index.constFind(key);
            if (it != index.constEnd())
                return *it;
            if (count > 0)
                list += ',';
            write(list);
            index.insert(key, count);
            return count++;
        }
    };

    // `part` with every "<" escaped between `head` and `tail`; `part` is emptied, its room kept.
    void send(const char* head, QByteArray& part, const char* tail)
    {
        m_device.write(head);
        if (part.contains('<')) // mostly not: a byte search is cheaper than the replace's
            part.replace("<", "\\u003c");
        m_device.write(part);
        m_device.write(tail);
        part.resize(0);
    }

    int tableIndex(const jobs::Finding& f)
    {
        const QString keyColumn = f.keyColumn->trimmed();
        return m_tables.of(f.table + QChar(0) + keyColumn,
                           [&](QByteArray& out) { pair(out, f.table, keyColumn); });
    }
    int fileIndex(const jobs::Finding& f)
    {
        return f.sourceFile.isEmpty() ? -1 : m_files.of(f.sourceFile, [&](QByteArray& out) {
            pair(out, QDir::toNativeSeparators(f.sourceFile), QFileInfo(f.sourceFile).fileName());
        });
    }

    void number(qint64 value) { m_out += QByteArray::number(value); }
    void string(const QString& value) { text::appendJsonString(m_out, value); }
    static void pair(QByteArray& out, const QString& first, const QString& second)
    {
        out += '[';
        text::appendJsonString(out, first);
        out += ',';
        text::appendJsonString(out, second);
        out += ']';
    }

    // [code, before, after, diff, changed, amounts, table, key, file, line]
    void row(const jobs::Finding& f)
    {
        const DescriptionPair d = descriptionsOf(f);
        m_out += '[';
        string(f.code);
        m_out += ',';
        number(textIndex(d.before));
        m_out += ',';
        number(textIndex(d.after));
        m_out += ',';
        if (d.changed && !d.before.isEmpty()) {
            m_out += '[';
            bool first = true;
            for (const DiffPart& part : wordDiff(d.before, d.after)) {
                m_out += first ? "[" : ",[";
                first = false;
                number(int(part.kind));
                m_out += ',';
                string(part.text);
                m_out += ']';
            }
            m_out += ']';
        } else {
            m_out += '0';
        }
        m_out += d.changed ? ",1,[" : ",0,[";
        for (size_t i = 0; i < m_amountColumns.size(); ++i) {
            const char* column = m_amountColumns[i];
            const QString before = amountBefore(f, column);
            const QString after = amountAfter(f, column);
            if (i > 0)
                m_out += ',';
            string(before);
            m_out += ',';
            string(after);
            m_out += ',';
            string(changePercent(before, after));
        }
        m_out += "],";
        number(tableIndex(f));
        m_out += ',';
        string(f.key);
        m_out += ',';
        number(fileIndex(f));
        m_out += ',';
        number(f.sourceLine);
        m_out += ']';
    }

    int textIndex(const QString& value)
    {
        return value.isEmpty()
                   ? -1
                   : m_texts.of(value, [&](QByteArray& out) { text::appendJsonString(out, value); });
    }

    std::span<const char* const> m_amountColumns;
    QIODevice& m_device;
    Interned m_texts, m_tables, m_files;
    QByteArray m_out; // rows not yet sent
};

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
    std::vector<PageData::Section> sections;
    for (const ChangeClass c : run.classes) {
        std::vector<const jobs::Finding*> rows = byClass.value(c);
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
        out +=
            QStringLiteral("<table>\n") + heads + QStringLiteral("<tbody></tbody>\n</table>\n</section>\n");
        sections.push_back({className(c), notApplied ? "change not-applied" : "change", std::move(rows)});
    }
    if (!run.overridden.empty()) {
        out += QStringLiteral("<section id=\"overridden\" class=\"changes\">\n<h2>Lines a later line "
                              "overrides (%1)</h2>\n<p>The list names these rows again further down; the "
                              "last line for a row holds, and these are not applied.</p>\n<table>\n")
                   .arg(int(run.overridden.size())) +
               heads + QStringLiteral("<tbody></tbody>\n</table>\n</section>\n");
        std::vector<const jobs::Finding*> rows;
        for (const jobs::Finding& f : run.overridden)
            rows.push_back(&f);
        sections.push_back({QStringLiteral("overridden"), "change overridden", std::move(rows)});
    }
    device.write(out.toUtf8());
    device.write("<script type=\"application/json\" id=\"review-data\">");
    PageData(run.amountColumns, device).write(sections);
    device.write("</script>\n");
    out.clear();
    out += QLatin1String(kScript);
    device.write(out.toUtf8());
}

} // namespace orvex::review
