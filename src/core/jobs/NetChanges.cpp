#include "jobs/NetChanges.h"

#include "db/CiAsCollation.h"

#include <QStringList>

#include <utility>

namespace orvex::jobs {

namespace {

// The number of `text` among those named so far (a new one gets the next).
ushort numberOf(QHash<QString, ushort>& numbers, const QString& text)
{
    const qsizetype before = numbers.size();
    ushort& number = numbers[text];
    if (numbers.size() != before)
        number = ushort(before + 1); // never 0, so that no aspect holds a NUL
    return number;
}

} // namespace

// What a finding changes: the row (table and key, compared as the tables compare keys) and which
// of its values. An insert and an update of the same key are the same row's; a description and
// the amounts are different values. The table and the values' names go in as numbers of their
// own: the aspects of a long list are the keys of a hash of hundreds of thousands of rows.
QString NetChanges::rowAspect(const Finding& f)
{
    ushort values = 0xffff; // an insert
    if (f.kind != Finding::Kind::NewRow) {
        QString names;
        for (auto it = f.proposed.keyBegin(); it != f.proposed.keyEnd(); ++it) {
            if (it != f.proposed.keyBegin())
                names += QLatin1Char(',');
            names += *it;
        }
        values = numberOf(m_valueNames, names);
    }
    const QString key = db::ciAsKey(f.key);
    QString aspect;
    aspect.reserve(key.size() + 2);
    aspect += QChar(numberOf(m_tables, f.table));
    aspect += QChar(values);
    aspect += key;
    return aspect;
}

void NetChanges::add(Finding finding)
{
    if (finding.kind == Finding::Kind::ZeroAmount) {
        m_items.push_back(std::move(finding));
        m_live.push_back(true);
        return;
    }
    const QString row = rowAspect(finding);
    const auto overrideAt = [this](size_t earlier) {
        m_overridden.push_back(std::move(m_items[earlier]));
        m_live[earlier] = false;
    };
    if (finding.kind == Finding::Kind::SameRow) {
        if (const auto earlier = m_lastOfRow.find(row); earlier != m_lastOfRow.end()) {
            overrideAt(*earlier);
            m_lastOfRow.erase(earlier);
        }
        return;
    }
    // One hash of the row whether an earlier line changed it or not.
    const qsizetype rowsBefore = m_lastOfRow.size();
    size_t& last = m_lastOfRow[row];
    if (m_lastOfRow.size() == rowsBefore)
        overrideAt(last);
    last = m_items.size();
    m_items.push_back(std::move(finding));
    m_live.push_back(true);
}

void NetChanges::reserve(qsizetype lines)
{
    m_lastOfRow.reserve(lines);
    m_items.reserve(size_t(lines));
    m_live.reserve(size_t(lines));
}

Findings NetChanges::take()
{
    size_t kept = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_live[i] && i != kept)
            m_items[kept] = std::move(m_items[i]);
        kept += m_live[i] ? 1 : 0;
    }
    m_items.resize(kept);
    m_live.clear();
    m_lastOfRow.clear();
    return std::exchange(m_items, {});
}

Findings NetChanges::takeOverridden()
{
    return std::exchange(m_overridden, {});
}

} // namespace orvex::jobs
