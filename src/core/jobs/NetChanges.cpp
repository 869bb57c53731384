#include "jobs/NetChanges.h"

#include "db/CiAsCollation.h"

#include <utility>

namespace orvex::jobs {

namespace {

// The number of `text` among those named so far (a new one gets the next).
ushort numberOf(QHash<QString, ushort>& numbers, const QString& text)
{
    const qsizetype before = numbers.size();
    ushort& number = numbers[text];
    if (numbers.size() != before)
        number = ushort(before + 1);
    return number;
}

} // namespace

bool operator==(const NetChanges::Row& a, const NetChanges::Row& b)
{
    return a.table == b.table && a.values == b.values && db::equalCiAs(a.key, b.key);
}

size_t qHash(const NetChanges::Row& row, size_t seed)
{
    return db::ciAsHash(row.key, qHashMulti(seed, row.table, row.values));
}

// The table and the values' names go in as numbers: the rows of a long list are the keys of
// a hash of hundreds of thousands of rows, and the key is the finding's own text.
NetChanges::Row NetChanges::rowOf(const Finding& f)
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
    return Row{numberOf(m_tables, f.table), values, f.key};
}

void NetChanges::add(Finding finding)
{
    if (finding.kind == Finding::Kind::ZeroAmount) {
        m_items.push_back(std::move(finding));
        m_overriddenAt.push_back(false);
        return;
    }
    const Row row = rowOf(finding);
    const auto overrideAt = [this](size_t earlier) {
        m_overriddenAt[earlier] = true;
        m_overriddenOrder.push_back(uint32_t(earlier));
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
    m_overriddenAt.push_back(false);
}

void NetChanges::reserve(qsizetype lines)
{
    m_lastOfRow.reserve(lines);
    m_items.reserve(size_t(lines));
    m_overriddenAt.reserve(size_t(lines));
}

void NetChanges::split()
{
    m_lastOfRow.clear();
    m_overridden.reserve(m_overridden.size() + m_overriddenOrder.size());
    for (const uint32_t at : m_overriddenOrder)
        m_overridden.push_back(std::move(m_items[at]));
    m_overriddenOrder = {};
}

Findings NetChanges::take()
{
    split();
    size_t kept = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (!m_overriddenAt[i] && i != kept)
            m_items[kept] = std::move(m_items[i]);
        kept += m_overriddenAt[i] ? 0 : 1;
    }
    m_items.resize(kept);
    m_overriddenAt = {};
    return std::exchange(m_items, {});
}

Findings NetChanges::takeOverridden()
{
    split();
    return std::exchange(m_overridden, {});
}

} // namespace orvex::jobs
