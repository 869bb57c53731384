#pragma once

#include "bridges/IcdTableBrowse.h"

#include <QAbstractTableModel>

namespace orvex::gui {

// The rows of a table browser: fetched a page at a time as the view scrolls to them. An
// edited cell is not saved by the view: it is proposed (changeProposed), and saved only
// through saveChange once the user agreed; a refused save leaves the row as it was.
class BrowseTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kPageRows = 2000;

    explicit BrowseTableModel(bridges::IcdTableBrowse& browse, QObject* parent = nullptr);

    // Lists the rows the find text selects, from the first page.
    void find(const QString& text);
    // Adds a row; returns false (after failed()) when the database refuses it.
    bool addRow(const bridges::BrowseRow& row);
    // Saves the change of row `row`; returns false (after failed()) when the database refuses it.
    bool saveChange(int row, const bridges::BrowseRow& before, const bridges::BrowseRow& after);
    // The row of the list equal to `row`, or -1.
    int rowOf(const bridges::BrowseRow& row) const;
    // "1,234 rows", and how many of them are listed while the rest waits for the scroll bar;
    // empty before the first find.
    QString countCaption() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    void failed(const QString& message);
    // An edit of row `row` that would change `before` into `after`; nothing is saved yet.
    void changeProposed(int row, const orvex::bridges::BrowseRow& before,
                        const orvex::bridges::BrowseRow& after);
    void countChanged(); // of countCaption()

private:
    bridges::IcdTableBrowse& m_browse;
    QList<bridges::BrowseRow> m_rows;
    bool m_more = false;
    int m_found = -1; // rows the find lists; -1 before the first find or when not counted
};

} // namespace orvex::gui
