#include "jobs/NetChanges.h"

#include "db/CiAsCollation.h"

#include <QStringList>

#include <utility>

namespace orvex::jobs {

namespace {

// What a finding changes: the row (table and key, compared as the tables compare keys) and which of its
// values. An insert and an update of the same key are the same row's; a description and the amounts are
// different values.
QString rowAspect(const Finding& f)
{
    // Built in one string: a run over a whole list asks this for every line.
    QString aspect;
    aspect.reserve(f.table.size() + f.key.size() + 32);
    aspect += f.table;
    aspect += QChar(0x1f);
    aspect += db::ciAsKey(f.key);
    aspect += QChar(0x1f);
    if (f.kind == Finding::Kind::NewRow) {
        aspect += QLatin1String("new");
    } else {
        for (auto it = f.proposed.keyBegin(); it != f.proposed.keyEnd(); ++it) {
            if (it != f.proposed.keyBegin())
                aspect += QLatin1Char(',');
            aspect += *it;
        }
    }
    return aspect;
}

} // namespace

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
