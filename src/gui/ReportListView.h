#pragma once

#include "gui/ResultListModel.h"

#include <QTreeView>

namespace orvex::gui {

// A list view in report style: one row per item, the column headings shown, no tree.
class ReportListView : public QTreeView
{
    Q_OBJECT
public:
    ReportListView(const QString& objectName, const QStringList& headers, QWidget* parent);

    ResultListModel* rows() const { return m_model; }

    // The full text of the cell at `viewportPos` when the column is too narrow to show it
    // whole; empty otherwise. The tool-tip shows it.
    QString cutTextAt(const QPoint& viewportPos) const;

protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void shareWidth(); // each column an equal part of the list's width

    ResultListModel* m_model;
    bool m_sharing = false;
    bool m_userSized = false; // the user dragged or fitted a column: the widths are theirs
};

} // namespace orvex::gui
