#include "gui/ToolsTab.h"

#include "db/CurrentUser.h"
#include "gui/BrowseComponents.h"
#include "gui/JobHost.h"
#include "gui/NamedWidgets.h"
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
        database.dbServerName = user->ServerName();
        database.DBUser = user->UserID();
        database.dbPassword = user->ServerPassword();
        database.DriverMethod = user->driverconnection();
        database.identity.user = user->UserID();
    }
    return database;
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
}

ToolsTab::~ToolsTab() = default;

bool ToolsTab::fixFormat() const
{
    return m_chkFixFormat->isChecked();
}

// The fix-format switch is the input of a scan.
void ToolsTab::setJobRunning(bool running)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_chkFixFormat, m_cmdCheckDuplicates, m_cmdDeleteDuplicates})
        control->setEnabled(!running);
}

void ToolsTab::checkDuplicates()
{
    m_host.runJob(std::make_unique<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Check,
                                                             m_host.logIdentity()),
                  nullptr, [this](jobs::Job&, const jobs::JobOutcome& outcome) {
                      showMessages(m_host, m_window, outcome);
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
                .arg(rows),
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
