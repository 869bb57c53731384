#include "gui/WindowHeader.h"

#include "gui/ClickableLabel.h"
#include "gui/ElidedLabel.h"
#include "gui/NamedWidgets.h"
#include "gui/Placement.h"
#include "gui/Twips.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace orvex::gui {

namespace {
// The view labels end where their underlines end; the counters follow.
constexpr int kViewLabelRight = 3600;
constexpr int kIcdCounterLeft = 3720;
constexpr int kPhCounterLeft = 4680;
constexpr int kCounterWidth = 900;
// Right part of the header: the file label, the buttons and the run's progress.
constexpr int kRightColumn = 6000;

QLabel* label(const char* name, const QString& caption, QWidget* parent)
{
    return named<QLabel>(name, caption, parent);
}

QFrame* underline(const char* name, QWidget* parent)
{
    auto* line = named<QFrame>(name, parent);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(78, 69, 243));
    line->setPalette(palette);
    line->hide();
    return line;
}
} // namespace

WindowHeader::WindowHeader(QWidget* window) : QObject(window)
{
    build(window);
    const std::array<IcdView, 5> rowViews = {IcdView::NewCodes, IcdView::SameCodeDescription,
                                             IcdView::SameCodeDifDesc, IcdView::SameDescDifCode,
                                             IcdView::NewCodes};
    for (size_t i = 0; i < m_viewRows.size(); ++i) {
        const IcdView view = rowViews[i];
        connect(m_viewRows[i].label, &ClickableLabel::clicked, this, [this, view] { emit viewChosen(view); });
    }
}

void WindowHeader::build(QWidget* window)
{
    m_cmdClose = named<QPushButton>("cmdClose", QStringLiteral("&Close"), window);
    m_cmdOpenFolder = named<QPushButton>("cmdOpenFolder", QStringLiteral("Open &Output Folder"), window);
    m_cmdICDDLL = named<QPushButton>("cmdICDDLL", QStringLiteral("&View ICD DB"), window);
    m_lblSrc = named<ElidedLabel>("lblSrc", QStringLiteral("Select Source File"), window);
    m_lblSrc->setElideMode(Qt::ElideMiddle); // the start of the caption and the file's ending
    m_label3 = label("Label3", QStringLiteral("Click on description below to see items..."), window);
    m_label1 = label("Label1", QStringLiteral("Philhealth"), window);

    const char* counterNames[] = {"lblnew",   "lblsame",   "lblDifDesc",   "lblDifCode",
                                  "lblNewPH", "lblsamePH", "lblDifDescPH", "lblNewRate"};
    for (size_t i = 0; i < m_counters.size(); ++i)
        m_counters[i] = label(counterNames[i], QStringLiteral("0"), window);
    m_lblCount = label("lblCount", QStringLiteral("0"), window);

    m_prgScan = named<QProgressBar>("prgScan", window);
    m_prgScan->setRange(0, 1);
    m_prgScan->setValue(0);
    m_prgScan->setTextVisible(false);
    m_lblPhase = label("lblPhase", QString(), window);

    m_lines = {underline("Line5", window), underline("Line6", window), underline("Line7", window),
               underline("Line8", window)};

    auto viewLabel = [window](const char* name, const QString& caption) {
        return named<ClickableLabel>(name, caption, window);
    };
    const auto& c = m_counters;
    // View label, design position, counters, underline from (lineStart, lineY) to 3600.
    m_viewRows = {{
        {viewLabel("lblnewCode_3", QStringLiteral("New Codes:")), 2520, 600, c[0], c[4], m_lines[0], 2520,
         840},
        {viewLabel("lblSameDescription_0", QStringLiteral("Same Code and Description:")), 900, 960, c[1],
         c[5], m_lines[1], 630, 1245},
        {viewLabel("lbldifferentdesc_1", QStringLiteral("Same Code different Description:")), 405, 1335, c[2],
         c[6], m_lines[2], 240, 1650},
        {viewLabel("lblDifferentCode_2", QStringLiteral("Same Description different Code:")), 405, 1695, c[3],
         nullptr, m_lines[3], 240, 2040},
        {viewLabel("lblnewCode_0", QStringLiteral("New Rates")), 2520, 2065, nullptr, c[7], nullptr, 0, 0},
    }};
}

void WindowHeader::place(const Twips& tw)
{
    placement::atHint(m_label3, tw, 120, 240);
    placement::atHint(m_label1, tw, kPhCounterLeft, 240);

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

    int x = tw.px(kRightColumn);
    x = placement::button(m_cmdOpenFolder, tw, x, 600, 2400, 495) + tw.px(120);
    x = placement::button(m_cmdICDDLL, tw, x, 600, 1800, 495) + tw.px(120);
    const int buttonsRight = placement::button(m_cmdClose, tw, x, 600, 1200, 495);
    // The file label spans the buttons below it, whatever the name it shows.
    m_lblSrc->setGeometry(tw.px(kRightColumn), tw.px(240), buttonsRight - tw.px(kRightColumn),
                          m_lblSrc->sizeHint().height());

    const int countTop = 1335;
    const int countHeight = m_lblCount->sizeHint().height();
    m_lblCount->setGeometry(tw.px(kRightColumn), tw.px(countTop), tw.px(kCounterWidth), countHeight);
    m_prgScan->setGeometry(tw.px(kRightColumn + kCounterWidth + 60), tw.px(countTop), tw.px(3600),
                           std::max(countHeight, tw.px(300)));
    // Below both, as wide: the longest phase is seen whole.
    m_lblPhase->setGeometry(m_lblCount->x(), m_prgScan->geometry().bottom() + 1 + tw.px(60),
                            m_prgScan->geometry().right() + 1 - m_lblCount->x(),
                            m_lblPhase->sizeHint().height());
}

QRect WindowHeader::countersArea() const
{
    QRect area = m_label1->geometry();
    for (const ViewRow& row : m_viewRows)
        area |= row.label->geometry();
    for (const QLabel* counter : m_counters)
        area |= counter->geometry();
    return area;
}

void WindowHeader::showUnderline(IcdView view)
{
    const auto chosen = static_cast<size_t>(view);
    for (size_t i = 0; i < m_lines.size(); ++i)
        m_lines[i]->setVisible(i == chosen);
}

void WindowHeader::setSourceFile(const QString& name, const QString& path)
{
    m_lblSrc->setText(QStringLiteral("Source File: ") + name);
    m_lblSrc->setToolTip(QDir::toNativeSeparators(path));
}

void WindowHeader::resetForScan(int lineCount)
{
    for (size_t i = 0; i + 1 < m_counters.size(); ++i) // "New Rates" keeps the update run's count
        m_counters[i]->setText(QStringLiteral("0"));
    m_lblCount->setText(QStringLiteral("0"));
    m_prgScan->setRange(0, std::max(1, lineCount));
    m_prgScan->setValue(0);
    clearPhase();
}

void WindowHeader::clearPhase()
{
    m_lblPhase->clear();
}

// The job's counters to the header's labels: a switch without a default, so that a counter
// added to the job's vocabulary and forgotten here does not compile.
QLabel* WindowHeader::counterLabel(jobs::Counter counter) const
{
    using jobs::Counter;
    switch (counter) {
    case Counter::LinesRead:
        return m_lblCount;
    case Counter::NewCode:
        return m_counters[0];
    case Counter::SameCodeAndDescription:
        return m_counters[1];
    case Counter::SameCodeDifferentDescription:
        return m_counters[2];
    case Counter::SameDescriptionDifferentCode:
        return m_counters[3];
    case Counter::PhNewCode:
        return m_counters[4];
    case Counter::PhSameDescription:
        return m_counters[5];
    case Counter::PhSameCodeDifferentDescription:
        return m_counters[6];
    case Counter::PhNewRate:
        return m_counters[7];
    }
    return nullptr;
}

void WindowHeader::applyProgress(const jobs::JobProgress& batch)
{
    for (auto it = batch.counters.cbegin(); it != batch.counters.cend(); ++it)
        counterLabel(it.key())->setText(QString::number(it.value()));
    // The scan tabs show the other captions.
    if (const auto it = batch.captions.constFind(jobs::Caption::SourceFile); it != batch.captions.cend()) {
        m_lblSrc->setText(it.value());
        m_lblSrc->setToolTip(QString()); // the whole caption, when it is cut
    }
    if (!batch.text.isNull())
        m_lblPhase->setText(batch.text);
    if (batch.lineCount > 0) {
        m_prgScan->setMaximum(batch.lineCount);
        m_prgScan->setValue(std::min(batch.linesDone, m_prgScan->maximum()));
    }
}

} // namespace orvex::gui
