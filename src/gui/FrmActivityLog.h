#pragma once

#include "db/ActivityLog.h"

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace orvex::gui {

// The activity log in a window of its own: time, user, workstation and text of every
// entry, newest first, narrowed to the entries whose fields contain what the filter box
// holds (any letter case). Escape closes it.
class FrmActivityLog : public QWidget
{
    Q_OBJECT
public:
    explicit FrmActivityLog(QWidget* parent = nullptr);

    // Replaces the entries shown; `entries` newest first.
    void showEntries(const QList<db::ActivityLogEntry>& entries);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showCount();

    QLineEdit* m_txtFilter;
    QLabel* m_lblCount;
    QTableView* m_grdLog;
    QStandardItemModel* m_entries;
    QSortFilterProxyModel* m_shown;
};

} // namespace orvex::gui
