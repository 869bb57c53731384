#include "gui/OnlineUpdateWiring.h"

#include "Error.h"
#include "db/CurrentUser.h"
#include "db/SignIn.h"
#include "gui/JobHost.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/SignInDialog.h"
#include "gui/Twips.h"
#include "tools/OnlineUpdateJobs.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace orvex::gui {

namespace {

OnlineUpdateWiring::PasswordPrompt& passwordPrompt()
{
    static OnlineUpdateWiring::PasswordPrompt prompt;
    return prompt;
}

QString& settingsFile()
{
    static QString file;
    return file;
}

std::optional<QString> askPassword(QWidget* parent, const QString& server)
{
    if (passwordPrompt())
        return passwordPrompt()(parent, server);
    bool ok = false;
    const QString password =
        QInputDialog::getText(parent, MessageBoxes::title(),
                              QStringLiteral("Password for the central update server %1:").arg(server),
                              QLineEdit::Password, QString(), &ok);
    return ok ? std::optional(password) : std::nullopt;
}

// The column widths of the grid: column 1, the description, is 5,500 twips wide.
constexpr int kDescriptionTwips = 5500;

} // namespace

OnlineUpdateWiring::OnlineUpdateWiring(QWidget* window, JobHost* host, db::ConnectionSettings hospital,
                                       db::CurrentUser* user)
    : QObject(window), m_window(window), m_host(host), m_hospital(std::move(hospital)), m_user(user),
      m_cmdCheckOnline(window->findChild<QPushButton*>(QStringLiteral("cmdCheckOnline"))),
      m_cmdUpdateDB(window->findChild<QPushButton*>(QStringLiteral("cmdUpdateDB"))),
      m_gridU(window->findChild<QTableWidget*>(QStringLiteral("GridU")))
{
    setObjectName(QStringLiteral("onlineUpdate"));
    if (!m_cmdCheckOnline || !m_cmdUpdateDB || !m_gridU)
        return;
    m_cmdCentralServer = new QPushButton(QStringLiteral("Central &Server..."));
    m_cmdCentralServer->setObjectName(QStringLiteral("cmdCentralServer"));
    if (auto* grid = qobject_cast<QGridLayout*>(m_cmdCheckOnline->parentWidget()->layout()))
        grid->addWidget(m_cmdCentralServer, 0, 2, Qt::AlignLeft);
    m_gridU->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_gridU->verticalHeader()->hide();
    for (QWidget* w : {static_cast<QWidget*>(m_cmdCheckOnline), static_cast<QWidget*>(m_cmdUpdateDB),
                       static_cast<QWidget*>(m_gridU)})
        w->setToolTip(QString());
    m_cmdCheckOnline->setEnabled(true);
    m_cmdUpdateDB->setEnabled(true);
    m_gridU->setEnabled(true);
    connect(m_cmdCheckOnline, &QPushButton::clicked, this, &OnlineUpdateWiring::checkOnline);
    connect(m_cmdUpdateDB, &QPushButton::clicked, this, &OnlineUpdateWiring::updateDb);
    connect(m_cmdCentralServer, &QPushButton::clicked, this, &OnlineUpdateWiring::chooseCentralServer);
}

void OnlineUpdateWiring::setPasswordPrompt(PasswordPrompt prompt)
{
    passwordPrompt() = std::move(prompt);
}

void OnlineUpdateWiring::setSettingsFile(const QString& iniFile)
{
    settingsFile() = iniFile;
}

std::unique_ptr<db::SignInSettings> OnlineUpdateWiring::settings() const
{
    return settingsFile().isEmpty() ? std::make_unique<db::SignInSettings>()
                                    : std::make_unique<db::SignInSettings>(settingsFile());
}

std::optional<db::ConnectionSettings> OnlineUpdateWiring::centralSettings()
{
    const std::optional<db::SqlServerProfile> profile = settings()->centralProfile();
    const QString folder = m_hospital.kind == db::ConnectionSettings::Kind::Embedded
                               ? m_hospital.embeddedFolder
                               : db::CurrentUser::defaultEmbeddedFolder();
    QString password;
    if (profile && tools::needsPassword(*profile)) {
        if (const auto fromEnvironment = tools::centralPasswordFromEnvironment()) {
            password = *fromEnvironment;
        } else {
            const std::optional<QString> typed = askPassword(m_window, profile->server);
            if (!typed)
                return std::nullopt;
            password = *typed;
        }
    }
    return tools::centralServerSettings(profile, folder, password);
}

bool OnlineUpdateWiring::isRunning() const
{
    return m_host->jobRunner()->isRunning();
}

void OnlineUpdateWiring::run(std::unique_ptr<jobs::Job> job,
                             std::function<void(jobs::Job&, const jobs::JobOutcome&)> done)
{
    // The window shows the message of a failure; the grid and the tables stay as they were.
    m_host->runJob(std::move(job), nullptr, std::move(done), {}, [](const jobs::JobProgress&) {});
}

void OnlineUpdateWiring::checkOnline()
{
    const std::optional<db::ConnectionSettings> central = centralSettings();
    if (!central)
        return;
    run(std::make_unique<tools::CheckOnlineJob>(*central), [this](jobs::Job& job, const jobs::JobOutcome&) {
        const tools::CentralUpdateTable& table = static_cast<tools::CheckOnlineJob&>(job).table();
        m_gridU->clear();
        m_gridU->setColumnCount(int(table.columns.size()));
        m_gridU->setRowCount(int(table.rows.size()));
        m_gridU->setHorizontalHeaderLabels(table.columns);
        for (int r = 0; r < table.rows.size(); ++r) {
            const QStringList& row = table.rows[r];
            for (int c = 0; c < row.size(); ++c)
                m_gridU->setItem(r, c, new QTableWidgetItem(row[c]));
        }
        if (m_gridU->columnCount() > 1)
            m_gridU->setColumnWidth(1, Twips::of(m_gridU).px(kDescriptionTwips));
    });
}

void OnlineUpdateWiring::updateDb()
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
    db::LogIdentity identity{m_user ? m_user->userId() : db::CurrentUser::systemUserName(),
                             db::CurrentUser::workstation()};
    run(std::make_unique<tools::OnlineUpdateJob>(rows, identity),
        [this](jobs::Job&, const jobs::JobOutcome& outcome) {
            for (const QString& message : outcome.messages)
                MessageBoxes::information(m_window, message);
        });
}

void OnlineUpdateWiring::chooseCentralServer()
{
    auto saved = settings();
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
    saved->setCentralProfile(choice.kind == db::SignInChoice::Kind::SqlServer ? std::optional(choice.profile)
                                                                              : std::nullopt);
}

} // namespace orvex::gui
