// Tabs "ICD" and "PH ICD Case Rates": their controls, where they sit, and the choice of
// what the next scan reads.
#include "gui/ScanTabs.h"

#include "Error.h"
#include "gui/BusyPointer.h"
#include "gui/FrmSrc.h"
#include "gui/JobHost.h"
#include "gui/NamedWidgets.h"
#include "gui/Placement.h"
#include "gui/ReportListView.h"
#include "platform/ProgramFolder.h"
#include "ratelist/ListLoadJob.h"
#include "ratelist/SourceFile.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace orvex::gui {

namespace {
// Frames sit this far inside their tab page.
constexpr int kFrameInset = 120;

} // namespace

ScanTabs::ScanTabs(QWidget* window, JobHost& host, WindowHeader& header, std::function<bool()> fixFormat)
    : QObject(window), m_window(window), m_host(host), m_header(header), m_fixFormat(std::move(fixFormat))
{
    buildIcdPage();
    buildPhPage();
    connect(m_cmdLoadUpdate, &QPushButton::clicked, this, &ScanTabs::loadUpdate);
    connect(m_cmdScan, &QPushButton::clicked, this, [this] { onScanClicked(false); });
    connect(m_cmdScanPH, &QPushButton::clicked, this, [this] { onScanClicked(true); });
}

void ScanTabs::buildIcdPage()
{
    m_icdPage = new QWidget;
    m_frame1 = named<QGroupBox>("Frame1", m_icdPage);
    m_label2 = named<QLabel>(
        "Label2", QStringLiteral("Double-click ICD source file below then click Go Scan.->"), m_frame1);
    m_cmdScan = named<QPushButton>("cmdScan", idleCaption(false), m_frame1);
    m_lstSourceFiles =
        new ReportListView(QStringLiteral("lstSourceFiles"), {QStringLiteral("Source Files")}, m_frame1);
    m_lstSourceFiles->viewport()->installEventFilter(this);
    m_lstSourceFiles->installEventFilter(this);

    m_icdLists = {
        new ReportListView(QStringLiteral("lsvNewCode"), {QStringLiteral("New Code")}, m_frame1),
        new ReportListView(QStringLiteral("lsvSameCodeDescription"),
                           {QStringLiteral("Same Code and Description"), QString(), QString()}, m_frame1),
        new ReportListView(
            QStringLiteral("lsvSameCodeDifDesc"),
            {QStringLiteral("Same Code different Description (DB)"), QStringLiteral("Source File")},
            m_frame1),
        new ReportListView(
            QStringLiteral("lsvSameDescDifCode"),
            {QStringLiteral("Same Description different Code (DB)"), QStringLiteral("Source File")},
            m_frame1),
    };
}

void ScanTabs::buildPhPage()
{
    m_phPage = new QWidget;
    m_frame2 = named<QGroupBox>("Frame2", m_phPage);
    m_label4 = named<QLabel>("Label4", QStringLiteral("Click Load Update then click Scan."), m_frame2);
    m_cmdLoadUpdate = named<QPushButton>("cmdLoadUpdate", QStringLiteral("Load Update"), m_frame2);
    m_cmdScanPH = named<QPushButton>("cmdScanPH", idleCaption(true), m_frame2);
    m_lblHeader = named<QLabel>("lblHeader", QStringLiteral("Header"), m_frame2);
    m_lblPackageID = named<QLabel>("lblPackageID", QString(), m_frame2);
    m_lsvNewCodePH =
        new ReportListView(QStringLiteral("lsvNewCodePH"), {QStringLiteral("New Code")}, m_frame2);
    m_lsvSameCodeDifDescPH = new ReportListView(
        QStringLiteral("lsvSameCodeDifDescPH"),
        {QStringLiteral("Same Code different Description (DB)"), QStringLiteral("Source File")}, m_frame2);
}

void ScanTabs::place(const Twips& tw, const FixedPositions& at, const FollowingSizes& sizes)
{
    using namespace placement;
    const QPoint frameAt = tw.px(kFrameInset, kFrameInset);
    auto pxSize = [&tw](QSize twips) { return QSize(tw.px(twips.width()), tw.px(twips.height())); };

    m_listsTop = tw.px(at.tabTop);

    // Tab "ICD".
    sized(m_frame1, frameAt, pxSize(sizes.frame1));
    atHint(m_label2, tw, 120, 300);
    button(m_cmdScan, tw, m_label2->geometry().right() + 1 + tw.px(120), 240, 1335, 375);
    sized(m_lstSourceFiles, tw.px(120, 720), pxSize(QSize(2835, sizes.sourceFilesHeight)));
    for (ReportListView* list : m_icdLists)
        sized(list, tw.px(at.icdListLeft, at.icdListTop), pxSize(sizes.icdLists));

    // Tab "PH ICD Case Rates".
    sized(m_frame2, frameAt, pxSize(sizes.frame2));
    atHint(m_label4, tw, 120, 300);
    int x = m_label4->geometry().right() + 1 + tw.px(120);
    x = button(m_cmdLoadUpdate, tw, x, 240, 1335, 375) + tw.px(120);
    x = button(m_cmdScanPH, tw, x, 240, 1335, 375) + tw.px(240);
    // The group name takes what the frame leaves beside the package ID.
    const int labelHeight = m_lblHeader->sizeHint().height();
    const int idWidth = tw.px(1500);
    const int headerWidth = std::max(tw.px(1500), m_frame2->width() - x - idWidth - tw.px(360));
    m_lblHeader->setGeometry(x, tw.px(300), headerWidth, labelHeight);
    m_lblPackageID->setGeometry(m_lblHeader->geometry().right() + 1 + tw.px(120), tw.px(300), idWidth,
                                labelHeight);
    sized(m_lsvNewCodePH, tw.px(120, 720), pxSize(QSize(sizes.newCodePHWidth, 2295)));
    sized(m_lsvSameCodeDifDescPH, tw.px(120, at.sameCodeDifDescPHTop), pxSize(sizes.sameCodeDifDescPH));
}

// The scan buttons, the list of the next scan and the source files are its input.
void ScanTabs::setJobRunning(bool running)
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_cmdScan, m_cmdScanPH, m_cmdLoadUpdate})
        control->setEnabled(!running);
    // While a list loads, the list of files keeps the focus a key gave it.
    m_lstSourceFiles->setEnabled(!running || m_loading != nullptr);
}

void ScanTabs::showList(IcdView view)
{
    const auto chosen = static_cast<size_t>(view);
    for (size_t i = 0; i < m_icdLists.size(); ++i)
        m_icdLists[i]->setVisible(i == chosen);
}

void ScanTabs::fillSourceFiles(const QStringList& names)
{
    std::vector<reconcile::ResultRow> rows;
    for (const QString& name : names)
        rows.push_back({name, QString()});
    m_lstSourceFiles->rows()->clear();
    m_lstSourceFiles->rows()->append(rows);
}

QString ScanTabs::selectedSourceFile() const
{
    const QModelIndexList selected = m_lstSourceFiles->selectionModel()->selectedRows();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

QString ScanTabs::packageId() const
{
    return m_lblPackageID->text();
}

FrmSrc* ScanTabs::ensureFrmSrc()
{
    if (!m_frmSrc)
        m_frmSrc = new FrmSrc(m_window);
    return m_frmSrc;
}

void ScanTabs::showFrmSrc()
{
    FrmSrc* window = ensureFrmSrc();
    if (!m_frmSrcPlaced) {
        placeFrmSrc(window);
        m_frmSrcPlaced = true; // later the user's place
    }
    // The main window keeps the focus (FrmSrc asks to be shown without it; where the
    // desktop activates it all the same, the main window takes the focus back).
    const bool keepFocus = m_window->isActiveWindow();
    window->show();
    window->raise();
    if (keepFocus)
        m_window->activateWindow();
}

// The first time "ICD Updates" opens at the main window's right edge below the header, and
// never over the header's counters, which the user watches while it is open.
void ScanTabs::placeFrmSrc(FrmSrc* window)
{
    const QSize frame = window->frameGeometry().size();
    QPoint at = m_window->mapToGlobal(QPoint(m_window->width() - frame.width(), m_listsTop));
    at.setX(std::max(at.x(), m_window->mapToGlobal(m_header.countersArea().topRight()).x() + 1));
    if (const QScreen* screen = m_window->screen()) {
        const QRect room = screen->availableGeometry();
        at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - frame.height())));
    }
    window->move(at);
}

void ScanTabs::closeFrmSrc()
{
    if (m_frmSrc)
        m_frmSrc->close();
}

void ScanTabs::loadUpdate()
{
    startLoad(QString(), QString());
}

void ScanTabs::chooseSelectedSourceFile()
{
    if (m_host.isJobRunning())
        return;
    const QString name = selectedSourceFile();
    if (name.isEmpty()) {
        m_host.services().information(m_window, QStringLiteral("Select a file."));
        return;
    }
    startLoad(name, ProgramFolder::path() + QLatin1Char('/') + name);
}

// The list is read on the runner: a list of 100,000 lines and more takes seconds. Meanwhile
// the scans and "Load Update" wait disabled; lstSourceFiles keeps its focus and ignores a
// second choice. A file that cannot be read leaves List2, the path and lblSrc as they were.
void ScanTabs::startLoad(const QString& name, const QString& path)
{
    if (m_host.isJobRunning())
        return; // the list is the running scan's input
    auto load = std::make_shared<ratelist::ListLoadJob>(ratelist::ListLoadParams{path});
    m_loading = std::make_unique<BusyPointer>(); // the hourglass, until "ICD Updates" shows
    m_host.runJob(
        load, nullptr,
        [this, load, name, path](jobs::Job&, const jobs::JobOutcome& outcome) {
            if (outcome.ending == jobs::JobEnding::Finished) // not when the window is closing
                onListLoaded(*load, name, path);
        },
        [this] { m_loading.reset(); });
}

void ScanTabs::onListLoaded(ratelist::ListLoadJob& load, const QString& name, const QString& path)
{
    const ratelist::LoadedList& loaded = load.result();
    ensureFrmSrc()->setLines(loaded.text.lines, loaded.longest);
    m_loadedSource = path;
    if (!path.isEmpty()) {
        m_sourceFilePath = path;
        m_header.setSourceFile(name, path);
        QApplication::beep();
        const QStringList warnings = ratelist::sourceWarnings(loaded.text.notes, name);
        if (!warnings.isEmpty())
            m_host.services().information(m_window, warnings.join(QStringLiteral("\n\n")));
    }
    showFrmSrc();
}

QList<QWidget*> ScanTabs::focusOrder() const
{
    QList<QWidget*> order{m_cmdScan, m_lstSourceFiles};
    for (ReportListView* list : m_icdLists)
        order.append(list);
    order << m_cmdLoadUpdate << m_cmdScanPH << m_lsvNewCodePH << m_lsvSameCodeDifDescPH;
    return order;
}

// Return, keypad Enter and Space choose the row with the focus, as a double-click does.
bool ScanTabs::chooseByKey(const QKeyEvent& key)
{
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter && key.key() != Qt::Key_Space)
        return false;
    if (key.modifiers() & ~Qt::KeypadModifier)
        return false;
    const QModelIndex current = m_lstSourceFiles->currentIndex();
    if (current.isValid() && !m_lstSourceFiles->selectionModel()->isRowSelected(current.row()))
        m_lstSourceFiles->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
    chooseSelectedSourceFile();
    return true;
}

bool ScanTabs::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lstSourceFiles && event->type() == QEvent::KeyPress && m_lstSourceFiles->isEnabled() &&
        chooseByKey(*static_cast<QKeyEvent*>(event)))
        return true;
    // A double-click anywhere on lstSourceFiles acts on its selected row.
    if (watched == m_lstSourceFiles->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        if (m_lstSourceFiles->isEnabled())
            chooseSelectedSourceFile();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvex::gui
