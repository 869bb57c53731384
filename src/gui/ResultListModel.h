#pragma once

#include "reconcile/ScanTypes.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace orvex::gui {

// The rows of one report-style list: the item text in the first column, its first
// sub-item in the second, further columns empty. Rows are only appended or cleared, so a
// scan can add thousands of them in a few batches.
class ResultListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultListModel(QStringList headers, QObject* parent = nullptr);

    void append(const std::vector<reconcile::ResultRow>& rows);
    void append(const reconcile::ResultRow& row);
    void clear();
    const std::vector<reconcile::ResultRow>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::vector<reconcile::ResultRow> m_rows;
};

} // namespace orvex::gui
