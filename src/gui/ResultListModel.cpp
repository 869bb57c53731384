#include "gui/ResultListModel.h"

#include <QThreadPool>

#include <memory>
#include <utility>

namespace orvex::gui {

ResultListModel::ResultListModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers))
{
}

void ResultListModel::append(const std::vector<reconcile::ResultRow>& rows)
{
    if (rows.empty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.end(), rows.begin(), rows.end());
    endInsertRows();
}

void ResultListModel::append(const reconcile::ResultRow& row)
{
    append(std::vector<reconcile::ResultRow>{row});
}

void ResultListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    auto old = std::make_shared<std::vector<reconcile::ResultRow>>(std::exchange(m_rows, {}));
    endResetModel();
    // The rows of a scan over 100,000 lines take about 100 ms to free: not on the window's thread.
    constexpr size_t kFreedAside = 10000;
    if (old->size() > kFreedAside)
        QThreadPool::globalInstance()->start([old = std::move(old)]() mutable { old.reset(); });
}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    const reconcile::ResultRow& row = m_rows[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return row.text;
    case 1:
        return row.second;
    default:
        return QString();
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_headers.size())
        return {};
    return m_headers.at(section);
}

} // namespace orvex::gui
