#include "gui/ReportListView.h"

#include "gui/Twips.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

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
    // A single column fills the list; several share its width until the user sizes one.
    header()->setStretchLastSection(headers.size() == 1);
    header()->setDefaultSectionSize(Twips::of(this).px(4800));
    header()->setMinimumSectionSize(40);
    connect(header(), &QHeaderView::sectionResized, this, [this] {
        if (!m_sharing && QGuiApplication::mouseButtons() != Qt::NoButton)
            m_userSized = true; // a border dragged
    });
    connect(header(), &QHeaderView::sectionHandleDoubleClicked, this, [this] { m_userSized = true; });
    connect(m_model, &QAbstractItemModel::modelReset, this, &ReportListView::shareWidth);
}

void ReportListView::shareWidth()
{
    const int columns = header()->count();
    if (columns < 2 || m_userSized)
        return;
    const int width = viewport()->width();
    m_sharing = true;
    for (int c = 0; c < columns; ++c)
        header()->resizeSection(c, width / columns + (c == columns - 1 ? width % columns : 0));
    m_sharing = false;
}

void ReportListView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    shareWidth();
}

QString ReportListView::cutTextAt(const QPoint& viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid())
        return QString();
    const QString text = index.data(Qt::DisplayRole).toString();
    // The item's margins take a few pixels of the column besides the text.
    const int needed =
        fontMetrics().horizontalAdvance(text) + 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 2;
    return needed > visualRect(index).width() ? text : QString();
}

bool ReportListView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = cutTextAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QTreeView::viewportEvent(event);
}

} // namespace orvex::gui
