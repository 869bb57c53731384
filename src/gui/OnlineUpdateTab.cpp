#include "gui/OnlineUpdateTab.h"

#include "apply/OnlineUpdateJob.h"
#include "db/CurrentUser.h"
#include "db/SignIn.h"
#include "gui/JobHost.h"
#include "gui/NamedWidgets.h"
#include "gui/SignInDialog.h"
#include "gui/Twips.h"
#include "tools/CentralServer.h"
#include "tools/OnlineUpdate.h"

#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace orvex::gui {

namespace {
// The column widths of the grid: column 1, the description, is 5,500 twips wide.
constexpr int kDescriptionTwips = 5500;
} // namespace

OnlineUpdateTab::OnlineUpdateTab(QWidget* window, JobHost& host, db::ConnectionSettings hospital)
    : m_window(window), m_host(host), m_hospital(std::move(hospital))
{
    setObjectName(QStringLiteral("onlineUpdate"));
    auto* grid = new QGridLayout(this);
    m_cmdCheckOnline = named<QPushButton>("cmdCheckOnline", QStringLiteral("Check Online"));
    m_cmdUpdateDB = named<QPushButton>("cmdUpdateDB", QStringLiteral("Update DB"));
    m_cmdCentralServer = named<QPushButton>("cmdCentralServer", QStringLiteral("Central &Server..."));
    m_gridU = named<QTableWidget>("GridU");
    m_lblGridSource = named<QLabel>(
        "lblGridSource",
        QStringLiteral("No rows yet: \"Check Online\" reads the central server's update table."));
    m_lblGridSource->setWordWrap(true);
    m_lblGridSource->setTextInteractionFlags(Qt::TextSelectableByMouse); // a path to copy
    grid->addWidget(m_cmdCheckOnline, 0, 0);
    grid->addWidget(m_cmdUpdateDB, 0, 1);
    grid->addWidget(m_lblGridSource, 1, 0, 1, 3);
    grid->addWidget(m_gridU, 2, 0, 1, 3);
    grid->addWidget(m_cmdCentralServer, 0, 2, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    m_gridU->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_gridU->verticalHeader()->hide();
    m_gridU->horizontalHeader()->setStretchLastSection(true); // no empty space right of the last column

    connect(m_cmdCheckOnline, &QPushButton::clicked, this, &OnlineUpdateTab::checkOnline);
    connect(m_cmdUpdateDB, &QPushButton::clicked, this, &OnlineUpdateTab::updateDb);
    connect(m_cmdCentralServer, &QPushButton::clicked, this, &OnlineUpdateTab::chooseCentralServer);
}

bool OnlineUpdateTab::isRunning() const
{
    return m_host.isJobRunning();
}

void OnlineUpdateTab::setJobRunning(bool running)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_cmdCheckOnline, m_cmdUpdateDB, m_cmdCentralServer})
        control->setEnabled(!running);
}

QString OnlineUpdateTab::embeddedFolder() const
{
    return m_hospital.kind == db::ConnectionSettings::Kind::Embedded
               ? m_hospital.embeddedFolder
               : db::CurrentUser::defaultEmbeddedFolder();
}

std::optional<db::ConnectionSettings> OnlineUpdateTab::centralSettings()
{
    const std::optional<db::SqlServerProfile> profile = m_host.services().signInSettings()->centralProfile();
    const QString folder = embeddedFolder();
    QString password;
    if (profile && tools::needsPassword(*profile)) {
        if (const auto fromEnvironment = tools::centralPasswordFromEnvironment()) {
            password = *fromEnvironment;
        } else {
            const std::optional<QString> typed = m_host.services().centralPassword(m_window, profile->server);
            if (!typed)
                return std::nullopt;
            password = *typed;
        }
    }
    return tools::centralServerSettings(profile, folder, password);
}

void OnlineUpdateTab::checkOnline()
{
    const std::optional<db::ConnectionSettings> central = centralSettings();
    if (!central)
        return;
    // The window shows the message of a failure; the grid and the tables stay as they were.
    auto check = std::make_shared<tools::CheckOnlineJob>(*central);
    m_host.runJob(
        check, nullptr,
        [this, check, server = tools::centralServerName(*central)](jobs::Job&, const jobs::JobOutcome&) {
            const tools::CentralUpdateTable& table = check->result();
            m_gridSource = server;
            m_gridU->clear();
            m_gridU->setColumnCount(int(table.columns.size()));
            m_gridU->setRowCount(int(table.rows.size()));
            m_gridU->setHorizontalHeaderLabels(table.columns);
            for (int r = 0; r < table.rows.size(); ++r) {
                const QStringList& row = table.rows[r];
                for (int c = 0; c < row.size(); ++c)
                    m_gridU->setItem(r, c, new QTableWidgetItem(row[c]));
            }
            // The description column has its fixed width; the others show at least their heading.
            for (int c = 0; c < m_gridU->columnCount(); ++c) {
                if (c == 1)
                    m_gridU->setColumnWidth(1, Twips::of(m_gridU).px(kDescriptionTwips));
                else
                    m_gridU->resizeColumnToContents(c);
            }
            m_lblGridSource->setText(
                table.rows.size() == 1
                    ? QStringLiteral("1 row of the central server %1.").arg(server)
                    : QStringLiteral("%1 rows of the central server %2.").arg(table.rows.size()).arg(server));
        },
        {}, [](const jobs::JobProgress&) {});
}

QList<QStringList> OnlineUpdateTab::gridRows() const
{
    QList<QStringList> rows;
    rows.reserve(m_gridU->rowCount());
    for (int r = 0; r < m_gridU->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m_gridU->columnCount(); ++c) {
            const QTableWidgetItem* item = m_gridU->item(r, c);
            row << (item ? item->text() : QString());
        }
        rows.append(row);
    }
    return rows;
}

void OnlineUpdateTab::updateDb()
{
    if (m_host.isJobRunning())
        return;
    // What would change is read first, on the runner; its refusal shows as the job's failure.
    const QList<QStringList> rows = gridRows();
    auto planJob = std::make_shared<tools::OnlineUpdatePlanJob>(rows);
    m_host.runJob(
        planJob, nullptr,
        [this, planJob, rows](jobs::Job&, const jobs::JobOutcome& outcome) {
            if (outcome.ending != jobs::JobEnding::Finished)
                return;
            const tools::OnlineUpdatePlan& plan = planJob->result();
            if (plan.changes.empty()) {
                m_host.services().information(
                    m_window, m_gridSource.isEmpty()
                                  ? QStringLiteral("Nothing to change: the grid holds no rows. Click \"Check "
                                                   "Online\" first.")
                                  : QStringLiteral("Nothing to change: tbICDdiagMain holds every code and "
                                                   "description of the central server %1.")
                                        .arg(m_gridSource));
                return;
            }
            if (m_host.services().question(m_window, tools::onlineUpdateQuestion(plan, m_gridSource),
                                           QMessageBox::Yes | QMessageBox::No,
                                           QMessageBox::No) == QMessageBox::Yes)
                startUpdate(rows, plan.changes);
        },
        {}, [](const jobs::JobProgress&) {});
}

void OnlineUpdateTab::startUpdate(const QList<QStringList>& rows,
                                  const std::vector<tools::OnlineChange>& reviewed)
{
    // The changes the question named: a table changed since is refused, nothing changed.
    auto update =
        std::make_shared<apply::OnlineUpdateJob>(rows, m_host.logIdentity(), m_gridSource, reviewed);
    m_host.runJob(
        update, nullptr,
        [this, update](jobs::Job&, const jobs::JobOutcome& outcome) {
            QString text = outcome.messages.join(QLatin1Char('\n'));
            if (const QString& undoFile = update->result().undoFile; !undoFile.isEmpty())
                text += QStringLiteral("\n\n\"Undo last apply\" on tab \"Update 2024\" takes it back (%1).")
                            .arg(QDir::toNativeSeparators(undoFile));
            if (!text.isEmpty())
                m_host.services().information(m_window, text);
        },
        {}, [](const jobs::JobProgress&) {});
}

void OnlineUpdateTab::chooseCentralServer()
{
    auto saved = m_host.services().signInSettings();
    const std::optional<db::SqlServerProfile> profile = saved->centralProfile();
    SignInDialog dialog(profile ? QList<db::SqlServerProfile>{*profile} : QList<db::SqlServerProfile>{},
                        m_window);
    dialog.setObjectName(QStringLiteral("dlgCentralServer"));
    dialog.setWindowTitle(QStringLiteral("Central update server"));
    db::SignInChoice suggestion;
    suggestion.kind = profile ? db::SignInChoice::Kind::SqlServer : db::SignInChoice::Kind::Embedded;
    if (profile)
        suggestion.profile = *profile;
    dialog.setSuggestion(suggestion);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const db::SignInChoice choice = dialog.choice();
    const std::optional<db::SqlServerProfile> chosen =
        choice.kind == db::SignInChoice::Kind::SqlServer ? std::optional(choice.profile) : std::nullopt;
    saved->setCentralProfile(chosen);
    // Rows of another server would be applied in its name: the grid starts over.
    if (chosen != profile)
        clearGridFor(tools::centralServerName(tools::centralServerSettings(chosen, embeddedFolder())));
}

void OnlineUpdateTab::clearGridFor(const QString& server)
{
    m_gridSource.clear();
    m_gridU->clear();
    m_gridU->setRowCount(0);
    m_gridU->setColumnCount(0);
    m_lblGridSource->setText(
        QStringLiteral("No rows: the central server is now %1. \"Check Online\" reads its update table.")
            .arg(server));
}

} // namespace orvex::gui
