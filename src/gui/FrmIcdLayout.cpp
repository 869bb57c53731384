// Where the controls of the main window sit. The header keeps its design positions; the
// tab control, its frames and lists follow the window by the resize rules.
#include "gui/ClickableLabel.h"
#include "gui/FrmIcd.h"
#include "gui/ReportListView.h"
#include "gui/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace orvex::gui {

namespace {
// The view labels end where their underlines end; the counters follow.
constexpr int kViewLabelRight = 3600;
constexpr int kIcdCounterLeft = 3720;
constexpr int kPhCounterLeft = 4680;
constexpr int kCounterWidth = 900;
// Frames sit this far inside their tab page.
constexpr int kFrameInset = 120;
// Right part of the header: the file label, the buttons and the run's progress.
constexpr int kRightColumn = 6000;

void placeAtHint(QWidget* w, const Twips& tw, int left, int top)
{
    w->setGeometry(QRect(tw.px(left, top), w->sizeHint()));
}

// A button at least as big as designed, larger when its caption needs it.
int placeButton(QPushButton* b, const Twips& tw, int leftPx, int top, int width, int height)
{
    const QSize hint = b->sizeHint();
    b->setGeometry(leftPx, tw.px(top), std::max(tw.px(width), hint.width()),
                   std::max(tw.px(height), hint.height()));
    return b->geometry().right() + 1;
}

void applySize(QWidget* w, QPoint at, QSize size)
{
    w->setGeometry(QRect(at, size.expandedTo(QSize(0, 0))));
}
} // namespace

void FrmIcd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void FrmIcd::relayout()
{
    const Twips tw = Twips::of(this);
    placeHeader();
    // The window never gets so small that a header button is cut.
    const QSize header = headerExtent();
    const QSize minimum(header.width() + tw.px(kFrameInset), header.height() + tw.px(kFrameInset));
    if (minimumSize() != minimum)
        setMinimumSize(minimum);
    // A header that needs more room than designed (larger fonts) pushes the tab control down.
    m_at.tabTop = std::max(2400, tw.twips(header.height()) + 60);
    m_sizes = applyResizeRules(tw.twips(width()), tw.twips(height()), m_at, m_sizes);
    m_tabs->setGeometry(QRect(tw.px(m_at.tabLeft, m_at.tabTop),
                              QSize(tw.px(m_sizes.tab.width()), tw.px(m_sizes.tab.height()))));
    placeTabContents();
}

void FrmIcd::placeHeader()
{
    const Twips tw = Twips::of(this);
    placeAtHint(m_label3, tw, 120, 240);
    placeAtHint(m_label1, tw, kPhCounterLeft, 240);

    const int labelRight = tw.px(kViewLabelRight);
    for (const ViewRow& row : m_viewRows) {
        const QSize hint = row.label->sizeHint();
        const int left = std::max(0, std::min(tw.px(row.left), labelRight - hint.width()));
        row.label->setGeometry(left, tw.px(row.top), hint.width(), hint.height());
        if (row.icdCounter)
            row.icdCounter->setGeometry(tw.px(kIcdCounterLeft), tw.px(row.top), tw.px(kCounterWidth),
                                        hint.height());
        if (row.phCounter)
            row.phCounter->setGeometry(tw.px(kPhCounterLeft), tw.px(row.top), tw.px(kCounterWidth),
                                       hint.height());
        if (row.underline) {
            const int lineLeft = std::min(tw.px(row.lineStart), left);
            const int lineTop = std::max(tw.px(row.lineY), row.label->geometry().bottom() + 1);
            row.underline->setGeometry(lineLeft, lineTop, labelRight - lineLeft, std::max(1, tw.px(15)));
        }
    }

    placeAtHint(m_lblSrc, tw, kRightColumn, 240);
    int x = tw.px(kRightColumn);
    x = placeButton(m_cmdOpenFolder, tw, x, 600, 2400, 495) + tw.px(120);
    x = placeButton(m_cmdICDDLL, tw, x, 600, 1800, 495) + tw.px(120);
    placeButton(m_cmdClose, tw, x, 600, 1200, 495);

    const int countTop = 1335;
    const int countHeight = m_lblCount->sizeHint().height();
    m_lblCount->setGeometry(tw.px(kRightColumn), tw.px(countTop), tw.px(kCounterWidth), countHeight);
    m_prgScan->setGeometry(tw.px(kRightColumn + kCounterWidth + 60), tw.px(countTop), tw.px(3600),
                           std::max(countHeight, tw.px(300)));
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

void FrmIcd::placeTabContents()
{
    const Twips tw = Twips::of(this);
    const QPoint frameAt = tw.px(kFrameInset, kFrameInset);
    auto pxSize = [&tw](QSize twips) { return QSize(tw.px(twips.width()), tw.px(twips.height())); };

    // Tab "ICD".
    applySize(m_frame1, frameAt, pxSize(m_sizes.frame1));
    placeAtHint(m_label2, tw, 120, 300);
    placeButton(m_cmdScan, tw, m_label2->geometry().right() + 1 + tw.px(120), 240, 1335, 375);
    applySize(m_lstSourceFiles, tw.px(120, 720), pxSize(QSize(2835, m_sizes.sourceFilesHeight)));
    for (ReportListView* list : m_icdLists)
        applySize(list, tw.px(m_at.icdListLeft, m_at.icdListTop), pxSize(m_sizes.icdLists));

    // Tab "PH ICD Case Rates".
    applySize(m_frame2, frameAt, pxSize(m_sizes.frame2));
    placeAtHint(m_label4, tw, 120, 300);
    int x = m_label4->geometry().right() + 1 + tw.px(120);
    x = placeButton(m_cmdLoadUpdate, tw, x, 240, 1335, 375) + tw.px(120);
    x = placeButton(m_cmdScanPH, tw, x, 240, 1335, 375) + tw.px(240);
    // The group name takes what the frame leaves beside the package ID.
    const int labelHeight = m_lblHeader->sizeHint().height();
    const int idWidth = tw.px(1500);
    const int headerWidth = std::max(tw.px(1500), m_frame2->width() - x - idWidth - tw.px(360));
    m_lblHeader->setGeometry(x, tw.px(300), headerWidth, labelHeight);
    m_lblPackageID->setGeometry(m_lblHeader->geometry().right() + 1 + tw.px(120), tw.px(300), idWidth,
                                labelHeight);
    applySize(m_lsvNewCodePH, tw.px(120, 720), pxSize(QSize(m_sizes.newCodePHWidth, 2295)));
    applySize(m_lsvSameCodeDifDescPH, tw.px(120, m_at.sameCodeDifDescPHTop),
              pxSize(m_sizes.sameCodeDifDescPH));
}

} // namespace orvex::gui
