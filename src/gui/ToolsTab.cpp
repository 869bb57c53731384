#include "gui/ToolsTab.h"

#include "db/CurrentUser.h"
#include "gui/BrowseComponents.h"
#include "gui/FrmActivityLog.h"
#include "gui/FrmTableBrowser.h"
#include "gui/JobHost.h"
#include "gui/NamedWidgets.h"
#include "tools/ActivityLogJob.h"
#include "tools/ToolJobs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

namespace orvex::gui {

namespace {
void showMessages(const JobHost& host, QWidget* parent, const jobs::JobOutcome& outcome)
{
    for (const QString& message : outcome.messages)
        host.services().information(parent, message);
}

// What the table browser signs in with: the signed-in user's server and login, or the
// connection settings alone.
BrowseDatabase browseDatabase(const db::ConnectionSettings& connection, const db::CurrentUser* user)
{
    BrowseDatabase database;
    database.connection = connection;
    database.identity = {db::CurrentUser::systemUserName(), db::CurrentUser::workstation()};
    if (user) {
        database.dbServerName = user->serverName();
        database.DBUser = user->userId();
        database.dbPassword = user->serverPassword();
        database.DriverMethod = user->driverName();
        database.identity.user = user->userId();
    }
    return database;
}
// Codes whose rows differ in description lose rows that say something else: the question
// names them with the row each keeps (the first ones only, and how many more).
QString differingCodes(const QList<tools::DifferingDuplicate>& codes)
{
    constexpr qsizetype kNamed = 12;
    if (codes.isEmpty())
        return {};
    QString text = QStringLiteral("\n\nRows with another description go too. The row each such code keeps:");
    for (const tools::DifferingDuplicate& code : codes.mid(0, kNamed))
        text += QStringLiteral("\n") + tools::differingDuplicateLine(code);
    if (codes.size() > kNamed)
        text += QStringLiteral("\n... and %1 more codes (\"Check Duplicates\" logs every row that would go).")
                    .arg(codes.size() - kNamed);
    return text;
}
} // namespace

ToolsTab::ToolsTab(QWidget* window, JobHost& host, db::ConnectionSettings connection, db::CurrentUser* user)
    : m_window(window), m_host(host)
{
    auto* grid = new QGridLayout(this);
    m_cmdCheckDuplicates = named<QPushButton>("cmdCheckDuplicates", QStringLiteral("Check Duplicates"));
    m_cmdDeleteDuplicates = named<QPushButton>("cmdDeleteDuplicates", QStringLiteral("Delete Duplicates"));
    grid->addWidget(m_cmdCheckDuplicates, 0, 0);
    grid->addWidget(m_cmdDeleteDuplicates, 0, 1);
    m_chkFixFormat = named<QCheckBox>("chkFixFormat", QStringLiteral("Fix Format 1"));
    grid->addWidget(m_chkFixFormat, 1, 0);
    m_cmdActivityLog = named<QPushButton>("cmdActivityLog", QStringLiteral("Activity Log"));
    grid->addWidget(m_cmdActivityLog, 1, 1);
    const char* tableNames[] = {"cmdICD_0", "cmdICD_1", "cmdICD_2", "cmdICD_3"};
    const QString tableCaptions[] = {QStringLiteral("tbICDDiagMain"), QStringLiteral("tbIcdDiagChapter"),
                                     QStringLiteral("tbIcdDiagSubChapter"), QStringLiteral("tbIcdDiag3Code")};
    for (size_t i = 0; i < m_cmdICD.size(); ++i) {
        m_cmdICD[i] = named<QPushButton>(tableNames[i], tableCaptions[i]);
        grid->addWidget(m_cmdICD[i], 2 + int(i), 0);
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);

    m_tableBrowser = std::make_unique<TableBrowserBridge>(
        m_window, host.services(),
        [connection = std::move(connection), user] { return browseDatabase(connection, user); });
    for (QPushButton* button : m_cmdICD)
        connect(button, &QPushButton::clicked, this,
                [this, button] { m_tableBrowser->OpenTableBrowser(button->text()); });
    connect(m_cmdCheckDuplicates, &QPushButton::clicked, this, &ToolsTab::checkDuplicates);
    connect(m_cmdDeleteDuplicates, &QPushButton::clicked, this, &ToolsTab::deleteDuplicates);
    connect(m_cmdActivityLog, &QPushButton::clicked, this, &ToolsTab::showActivityLog);
}

ToolsTab::~ToolsTab() = default;

bool ToolsTab::fixFormat() const
{
    return m_chkFixFormat->isChecked();
}

// The fix-format switch is the input of a scan.
void ToolsTab::setJobRunning(bool running)
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_chkFixFormat, m_cmdCheckDuplicates,
                                                            m_cmdDeleteDuplicates, m_cmdActivityLog})
        control->setEnabled(!running);
}

void ToolsTab::setIcdTablesBusy(bool busy)
{
    for (QPushButton* button : m_cmdICD)
        button->setEnabled(!busy);
    for (FrmTableBrowser* browser : m_window->findChildren<FrmTableBrowser*>())
        browser->setEnabled(!busy);
}

void ToolsTab::checkDuplicates()
{
    auto check = std::make_shared<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Check,
                                                            m_host.logIdentity());
    m_host.runJob(check, nullptr, [this, check](jobs::Job&, const jobs::JobOutcome& outcome) {
        showMessages(m_host, m_window, outcome);
        // "Check log.": the lines just written, in the window that shows the log.
        if (check->result().rowCount > 0)
            showActivityLog();
    });
}

void ToolsTab::showActivityLog()
{
    auto read = std::make_shared<tools::ActivityLogJob>();
    m_host.runJob(read, nullptr, [this, read](jobs::Job&, const jobs::JobOutcome&) {
        if (!m_activityLog)
            m_activityLog = new FrmActivityLog(m_window);
        m_activityLog->showEntries(read->result());
        m_activityLog->show();
        m_activityLog->raise();
    });
}

// Counts first, so that the question names what would go; the delete itself logs every row.
void ToolsTab::deleteDuplicates()
{
    auto count = std::make_shared<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Count,
                                                            m_host.logIdentity());
    m_host.runJob(count, nullptr, [this, count](jobs::Job&, const jobs::JobOutcome&) {
        const qsizetype rows = count->result().rowCount;
        if (rows == 0) {
            m_host.services().information(m_window, QStringLiteral("No Duplicates."));
            return;
        }
        const auto answer = m_host.services().question(
            m_window,
            QStringLiteral("Delete %1 duplicate rows from tbICDdiagMain? Each row is written to the "
                           "activity log first; the delete cannot be undone.")
                    .arg(rows) +
                differingCodes(count->result().differing),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        m_host.runJob(std::make_unique<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Delete,
                                                                 m_host.logIdentity()),
                      nullptr, [this](jobs::Job&, const jobs::JobOutcome& outcome) {
                          showMessages(m_host, m_window, outcome);
                      });
    });
}

} // namespace orvex::gui
