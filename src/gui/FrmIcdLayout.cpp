// Where the parts of the main window sit. The header keeps its design positions; the
// tab control, its frames and lists follow the window by the resize rules.
#include "gui/FrmIcd.h"
#include "gui/ScanTabs.h"
#include "gui/Twips.h"

#include <QTabWidget>

#include <algorithm>

namespace orvex::gui {

namespace {
// The window keeps this much room right of and below the header.
constexpr int kHeaderMargin = 120;
} // namespace

void FrmIcd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void FrmIcd::relayout()
{
    const Twips tw = Twips::of(this);
    m_header->place(tw);
    // The window never gets so small that a header button is cut.
    const QSize header = headerExtent();
    const QSize minimum(header.width() + tw.px(kHeaderMargin), header.height() + tw.px(kHeaderMargin));
    if (minimumSize() != minimum)
        setMinimumSize(minimum);
    // A header that needs more room than designed (larger fonts) pushes the tab control down.
    m_at.tabTop = std::max(2400, tw.twips(header.height()) + 60);
    m_sizes = applyResizeRules(tw.twips(width()), tw.twips(height()), m_at, m_sizes);
    m_tabs->setGeometry(QRect(tw.px(m_at.tabLeft, m_at.tabTop),
                              QSize(tw.px(m_sizes.tab.width()), tw.px(m_sizes.tab.height()))));
    m_scanTabs->place(tw, m_at, m_sizes);
}

QSize FrmIcd::headerExtent() const
{
    QSize extent;
    for (const QObject* child : children()) {
        const auto* w = qobject_cast<const QWidget*>(child);
        if (w && w != m_tabs && !w->isWindow())
            extent = extent.expandedTo(QSize(w->geometry().right() + 1, w->geometry().bottom() + 1));
    }
    return extent;
}

} // namespace orvex::gui
