#include "gui/ReportListView.h"

#include <QHeaderView>

namespace orvex::gui {

ReportListView::ReportListView(const QString& objectName, const QStringList& headers, QWidget* parent)
    : QTreeView(parent), m_model(new ResultListModel(headers, this))
{
    setObjectName(objectName);
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps thousands of rows cheap
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setDefaultSectionSize(headers.size() > 1 ? 320 : 480);
    header()->setMinimumSectionSize(40);
}

} // namespace orvex::gui
