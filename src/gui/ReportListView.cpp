#include "gui/ReportListView.h"

#include "gui/Twips.h"

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
    // A single column fills the list; several get a readable width each.
    header()->setStretchLastSection(headers.size() == 1);
    header()->setDefaultSectionSize(Twips::of(this).px(4800));
    header()->setMinimumSectionSize(40);
}

} // namespace orvex::gui
