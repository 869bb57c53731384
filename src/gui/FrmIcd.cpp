#include "gui/FrmIcd.h"

#include "Error.h"
#include "OrvexVersion.h"
#include "gui/AnnexImportEntry.h"
#include "gui/BusyPointer.h"
#include "gui/ClickableLabel.h"
#include "gui/DesktopFolder.h"
#include "gui/FrmSrc.h"
#include "gui/IcdBridges.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/OnlineUpdateWiring.h"
#include "gui/ReportListView.h"
#include "gui/SourceFileListing.h"
#include "gui/Twips.h"
#include "gui/Update2024Tab.h"
#include "gui/WindowLook.h"
#include "platform/ProgramFolder.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>

namespace orvex::gui {

namespace {
// Lets the window paint once; clicks wait for the operation's end.
void yieldToPaint()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
} // namespace

FrmIcd::FrmIcd(db::ConnectionSettings connection, db::CurrentUser* user, QWidget* parent)
    : QWidget(parent), m_connection(std::move(connection)), m_user(user), m_runner(new JobRunner(this))
{
    setObjectName(QStringLiteral("frmICD"));
    setWindowTitle(caption());
    setFont(windowFont());
    m_runner->setObjectName(QStringLiteral("jobRunner"));

    // Design sizes in twips, until the first resize sets them from the window.
    m_sizes.tab = {14295, 7935};
    m_sizes.frame1 = {15255, 4935};
    m_sizes.frame2 = {13575, 6975};
    m_sizes.sourceFilesHeight = 3495;
    m_sizes.icdLists = {10155, 3735};
    m_sizes.newCodePHWidth = 10155;
    m_sizes.sameCodeDifDescPH = {10155, 2295};

    buildHeader();
    buildTabs();
    setTabHeight(m_tabs, Twips::of(this).px(520));
    showView(IcdView::NewCodes);
    for (QFrame* line : m_lines)
        line->hide(); // no underline until a view label is clicked

    new IcdBridges(this, m_connection, m_user);
    new OnlineUpdateWiring(this, this, m_connection, m_user);
    wireUpdateTab();
    wireApply();
    wireTools();
    m_update2024Tab->annexImport()->setHost(this);

    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_cmdOpenFolder, &QPushButton::clicked, this, &FrmIcd::openOutputFolder);
    connect(m_cmdLoadUpdate, &QPushButton::clicked, this, &FrmIcd::loadUpdate);
    connect(m_cmdScan, &QPushButton::clicked, this, [this] { onScanClicked(false); });
    connect(m_cmdScanPH, &QPushButton::clicked, this, [this] { onScanClicked(true); });
    const std::array<IcdView, 5> rowViews = {IcdView::NewCodes, IcdView::SameCodeDescription,
                                             IcdView::SameCodeDifDesc, IcdView::SameDescDifCode,
                                             IcdView::NewCodes};
    for (size_t i = 0; i < m_viewRows.size(); ++i) {
        const IcdView view = rowViews[i];
        connect(m_viewRows[i].label, &ClickableLabel::clicked, this, [this, view] { showView(view); });
    }
    connect(m_runner, &JobRunner::progressed, this, &FrmIcd::onJobProgressed);
    connect(m_runner, &JobRunner::finished, this, &FrmIcd::onJobFinished);
    connect(m_runner, &JobRunner::failed, this, &FrmIcd::onJobFailed);

    // Inner area of 19,650 by 12,255 twips, or what the screen has room for.
    const Twips tw = Twips::of(this);
    QSize size(tw.px(19650), tw.px(12255));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    resize(size);
    relayout();
}

FrmIcd::~FrmIcd()
{
    // A run still going learns that the window closes; ~JobRunner waits for it.
    if (m_runner->isRunning())
        m_runner->requestAbandon();
}

QString FrmIcd::caption()
{
    return QStringLiteral("Kestra Orvex ver.%1.%2.%3")
        .arg(orvex::version::major)
        .arg(orvex::version::minor)
        .arg(orvex::version::revision);
}

void FrmIcd::prepareOutputFolder()
{
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());
}

void FrmIcd::fillSourceFiles()
{
    std::vector<reconcile::ResultRow> rows;
    for (const QString& name : listSourceFiles(ProgramFolder::path()))
        rows.push_back({name, QString()});
    m_lstSourceFiles->rows()->clear();
    m_lstSourceFiles->rows()->append(rows);
}

bool FrmIcd::isJobRunning() const
{
    return m_runner->isRunning();
}

FrmSrc* FrmIcd::ensureFrmSrc()
{
    if (!m_frmSrc)
        m_frmSrc = new FrmSrc(this);
    return m_frmSrc;
}

void FrmIcd::showFrmSrc()
{
    FrmSrc* window = ensureFrmSrc();
    window->show();
    window->raise();
}

void FrmIcd::loadUpdate()
{
    if (isJobRunning())
        return; // the list is the running scan's input
    QStringList lines;
    {
        BusyPointer busy;
        yieldToPaint();
        try {
            lines = ratelist::loadBuiltinUpdateResource();
        } catch (const Error& e) {
            MessageBoxes::error(this, e.message());
            return;
        }
        ensureFrmSrc()->setLines(lines);
        m_loadedSource.clear();
    }
    showFrmSrc();
}

void FrmIcd::chooseSelectedSourceFile()
{
    if (isJobRunning())
        return;
    const QModelIndexList selected = m_lstSourceFiles->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        MessageBoxes::information(this, QStringLiteral("Select a file."));
        return;
    }
    const QString name = selected.first().data().toString();
    const QString path = ProgramFolder::path() + QLatin1Char('/') + name;
    QStringList warnings;
    {
        BusyPointer busy;
        yieldToPaint();
        ratelist::SourceText source;
        try {
            source = ratelist::readSource(path);
        } catch (const Error& e) {
            // List2, SourceFilePath and lblSrc stay as they were.
            MessageBoxes::error(this, e.message());
            return;
        }
        SourceFilePath = path;
        m_loadedSource = path;
        ensureFrmSrc()->setLines(source.lines);
        m_lblSrc->setText(QStringLiteral("Source File: ") + name);
        m_lblSrc->adjustSize();
        QApplication::beep();
        warnings = ratelist::sourceWarnings(source.notes, name);
    }
    if (!warnings.isEmpty())
        MessageBoxes::information(this, warnings.join(QStringLiteral("\n\n")));
    showFrmSrc();
}

bool FrmIcd::eventFilter(QObject* watched, QEvent* event)
{
    // A double-click anywhere on lstSourceFiles acts on its selected row.
    if (watched == m_lstSourceFiles->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        if (m_lstSourceFiles->isEnabled())
            chooseSelectedSourceFile();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmIcd::showView(IcdView view)
{
    const int chosen = static_cast<int>(view);
    for (int i = 0; i < static_cast<int>(m_icdLists.size()); ++i)
        m_icdLists[static_cast<size_t>(i)]->setVisible(i == chosen);
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i)
        m_lines[static_cast<size_t>(i)]->setVisible(i == chosen);
    m_view = view;
}

void FrmIcd::openOutputFolder()
{
    const QString folder = ProgramFolder::outputFolder();
    if (!DesktopFolder::open(folder)) {
        MessageBoxes::information(this, QStringLiteral("No file browser could be opened. The reports and "
                                                       "scripts are in the folder:\n%1")
                                            .arg(QDir::toNativeSeparators(folder)));
    }
}

void FrmIcd::closeEvent(QCloseEvent* event)
{
    if (m_runner->isRunning()) {
        // Stop after the current line, without the summary; the files are closed.
        m_runner->requestAbandon();
        m_runner->waitForFinished();
    }
    if (m_frmSrc)
        m_frmSrc->close();
    event->accept();
}

} // namespace orvex::gui
