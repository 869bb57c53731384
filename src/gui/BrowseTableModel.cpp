#include "gui/BrowseTableModel.h"

#include "Error.h"

namespace orvex::gui {

BrowseTableModel::BrowseTableModel(bridges::IcdTableBrowse& browse, QObject* parent)
    : QAbstractTableModel(parent), m_browse(browse)
{
}

void BrowseTableModel::find(const QString& text)
{
    beginResetModel();
    m_rows.clear();
    m_browse.setFind(text);
    m_more = true;
    endResetModel();
    try {
        m_found = m_browse.count();
    } catch (const Error& e) {
        m_found = -1;
        emit failed(e.message());
    }
    fetchMore({});
    emit countChanged();
}

QString BrowseTableModel::countCaption() const
{
    if (m_found < 0)
        return m_rows.isEmpty() ? QString() : QStringLiteral("%L1 rows listed").arg(m_rows.size());
    QString found = m_found == 1 ? QStringLiteral("1 row") : QStringLiteral("%L1 rows").arg(m_found);
    if (m_rows.size() >= m_found)
        return found;
    return QStringLiteral("%1, the first %L2 listed (scroll for more)").arg(found).arg(m_rows.size());
}

bool BrowseTableModel::addRow(const bridges::BrowseRow& row)
{
    try {
        m_browse.add(row);
    } catch (const Error& e) {
        emit failed(e.message());
        return false;
    }
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
    m_rows.append(row);
    endInsertRows();
    if (m_found >= 0)
        ++m_found;
    emit countChanged();
    return true;
}

int BrowseTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int BrowseTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant BrowseTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const bridges::BrowseRow& row = m_rows[index.row()];
    return index.column() == 0 ? row.code : row.description;
}

QVariant BrowseTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == 0 ? QStringLiteral("code") : QStringLiteral("Description");
}

Qt::ItemFlags BrowseTableModel::flags(const QModelIndex& index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool BrowseTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const bridges::BrowseRow before = m_rows[index.row()];
    bridges::BrowseRow after = before;
    (index.column() == 0 ? after.code : after.description) = value.toString();
    if (after != before)
        emit changeProposed(index.row(), before, after);
    return false; // the row shows what the table holds until the change is saved
}

bool BrowseTableModel::saveChange(int row, const bridges::BrowseRow& before, const bridges::BrowseRow& after)
{
    try {
        m_browse.update(before, after);
    } catch (const Error& e) {
        emit failed(e.message());
        return false;
    }
    // The list may have been found again while the question was open.
    if (row >= 0 && row < m_rows.size() && m_rows[row] == before) {
        m_rows[row] = after;
        emit dataChanged(index(row, 0), index(row, 1));
    }
    return true;
}

int BrowseTableModel::rowOf(const bridges::BrowseRow& row) const
{
    return int(m_rows.indexOf(row));
}

bool BrowseTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_more;
}

void BrowseTableModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_more)
        return;
    QList<bridges::BrowseRow> page;
    try {
        page = m_browse.page(int(m_rows.size()), kPageRows);
    } catch (const Error& e) {
        m_more = false;
        emit failed(e.message());
        return;
    }
    m_more = page.size() == kPageRows;
    if (page.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
    m_rows.append(page);
    endInsertRows();
    emit countChanged();
}

} // namespace orvex::gui
