#include "gui/FrmIcd.h"

#include "OrvexVersion.h"
#include "db/CurrentUser.h"
#include "gui/FrmSrc.h"
#include "gui/IcdCodeSearch.h"
#include "gui/JobRunner.h"
#include "gui/KeyboardUse.h"
#include "gui/NamedWidgets.h"
#include "gui/OnlineUpdateTab.h"
#include "gui/ScanTabs.h"
#include "gui/SourceFileListing.h"
#include "gui/ToolsTab.h"
#include "gui/Twips.h"
#include "gui/Update2024Tab.h"
#include "gui/WindowLook.h"
#include "platform/ProgramFolder.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

namespace orvex::gui {

FrmIcd::FrmIcd(WindowServices services, db::ConnectionSettings connection, db::CurrentUser* user,
               QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_connection(std::move(connection)), m_user(user),
      m_runner(new JobRunner(this))
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

    m_header = new WindowHeader(this);
    buildTabs();
    setTabHeight(m_tabs, Twips::of(this).px(520));
    m_scanTabs->showList(m_view); // no underline until a view label is clicked

    connect(m_header->cmdClose(), &QPushButton::clicked, this, &QWidget::close);
    connect(m_header->cmdOpenFolder(), &QPushButton::clicked, this, &FrmIcd::openOutputFolder);
    connect(m_header->cmdICDDLL(), &QPushButton::clicked, this, &FrmIcd::openCodeSearch);
    connect(m_header, &WindowHeader::viewChosen, this, &FrmIcd::showView);
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
    setUpKeyboard();
}

// Tab follows what the eye reads: the header's buttons left to right, the tab strip, then
// the controls of the tab in front, row by row.
void FrmIcd::setUpKeyboard()
{
    QList<QWidget*> order{m_header->cmdOpenFolder(), m_header->cmdICDDLL(), m_header->cmdClose(), m_tabs};
    order += m_scanTabs->focusOrder();
    for (const QWidget* page :
         std::initializer_list<const QWidget*>{m_toolsTab, m_onlineUpdateTab, m_update2024Tab})
        order += focusOrderOf(page->layout());
    chainFocus(order);
    pressButtonsOnReturn(this);
}

void FrmIcd::buildTabs()
{
    m_tabs = named<QTabWidget>("SSTab1", this);
    m_tabs->setUsesScrollButtons(false);
    m_toolsTab = new ToolsTab(this, *this, m_connection, m_user);
    m_scanTabs = new ScanTabs(this, *this, *m_header, [this] { return m_toolsTab->fixFormat(); });
    m_onlineUpdateTab = new OnlineUpdateTab(this, *this, m_connection);
    m_update2024Tab = new Update2024Tab(this, *this, *m_scanTabs);
    m_tabs->addTab(m_scanTabs->icdPage(), QStringLiteral("ICD"));
    m_tabs->addTab(m_scanTabs->phPage(), QStringLiteral("PH ICD Case Rates"));
    m_tabs->addTab(m_toolsTab, QStringLiteral("Tools"));
    m_tabs->addTab(m_onlineUpdateTab, QStringLiteral("Online Update"));
    m_tabs->addTab(m_update2024Tab, QStringLiteral("Update 2024"));
    m_tabs->setCurrentIndex(4); // the window opens with "Update 2024" in front
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
    m_scanTabs->fillSourceFiles(listSourceFiles(ProgramFolder::path()));
}

const QString& FrmIcd::sourceFilePath() const
{
    return m_scanTabs->sourceFilePath();
}

bool FrmIcd::phMode() const
{
    return m_scanTabs->phMode();
}

std::optional<reconcile::ScanEnding> FrmIcd::lastEnding() const
{
    return m_scanTabs->lastEnding();
}

FrmSrc* FrmIcd::frmSRC() const
{
    return m_scanTabs->frmSrc();
}

db::LogIdentity FrmIcd::logIdentity() const
{
    return {m_user ? m_user->userId() : db::CurrentUser::systemUserName(), db::CurrentUser::workstation()};
}

void FrmIcd::loadUpdate()
{
    m_scanTabs->loadUpdate();
}

void FrmIcd::chooseSelectedSourceFile()
{
    m_scanTabs->chooseSelectedSourceFile();
}

void FrmIcd::showView(IcdView view)
{
    m_scanTabs->showList(view);
    m_header->showUnderline(view);
    m_view = view;
}

void FrmIcd::openOutputFolder()
{
    const QString folder = ProgramFolder::outputFolder();
    m_services.open(folder, this, [this, folder](const QString& reason) {
        m_services.information(
            this, WindowServices::withReason(QStringLiteral("No file browser could be opened. The "
                                                            "reports and scripts are in the folder:\n%1")
                                                 .arg(QDir::toNativeSeparators(folder)),
                                             reason));
    });
}

void FrmIcd::openCodeSearch()
{
    gui::viewIcdCodeSearch(this, m_services, [this] { return makeIcdCodeSearch(m_connection, this); });
}

void FrmIcd::closeEvent(QCloseEvent* event)
{
    if (m_runner->isRunning()) {
        // Stop after the current line, without the summary; the files are closed.
        m_runner->requestAbandon();
        m_runner->waitForFinished();
    }
    m_scanTabs->closeFrmSrc();
    event->accept();
}

} // namespace orvex::gui
