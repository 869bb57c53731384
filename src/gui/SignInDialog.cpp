#include "gui/SignInDialog.h"

#include "OrvexVersion.h"
#include "db/CurrentUser.h"
#include "db/OdbcConnectionString.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orvex::gui {

namespace {
const QString kNewProfile = QStringLiteral("(new profile)");
const QStringList kEncryptionKeys = {QStringLiteral("Encrypt"), QStringLiteral("TrustServerCertificate")};

template <class W, class... Args> W* named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

SignInDialog::SignInDialog(QList<db::SqlServerProfile> profiles, QWidget* parent)
    : QDialog(parent), m_profiles(std::move(profiles)), m_error(named<QLabel>("lblSignInError")),
      m_embedded(named<QRadioButton>("optEmbedded", QStringLiteral("&Embedded sample database"))),
      m_sqlServer(named<QRadioButton>("optSqlServer", QStringLiteral("&SQL Server"))),
      m_folder(named<QLineEdit>("txtEmbeddedFolder")), m_profile(named<QComboBox>("cboProfile")),
      m_profileName(named<QLineEdit>("txtProfileName")), m_server(named<QLineEdit>("txtServer")),
      m_database(named<QLineEdit>("txtDatabase")), m_authentication(named<QComboBox>("cboAuthentication")),
      m_driver(named<QLineEdit>("txtDriver")), m_user(named<QLineEdit>("txtUser")),
      m_password(named<QLineEdit>("txtPassword")), m_options(named<QLineEdit>("txtOptions")),
      m_encrypt(named<QComboBox>("cboEncrypt")),
      m_trustCertificate(
          named<QCheckBox>("chkTrustServerCertificate", QStringLiteral("&Trust server certificate"))),
      m_certificateWarning(named<QLabel>("lblCertificateWarning")),
      m_remember(
          named<QCheckBox>("chkRemember", QStringLiteral("&Remember this choice (never the password)"))),
      m_buttons(named<QDialogButtonBox>("buttons", QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setObjectName(QStringLiteral("dlgSignIn"));
    setWindowTitle(QStringLiteral("Sign in - Kestra Orvex ver.%1").arg(QLatin1String(version::text)));

    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00020"));
    m_error->hide();

    m_folder->setPlaceholderText(db::CurrentUser::defaultEmbeddedFolder());
    m_folder->setToolTip(
        QStringLiteral("Empty: the sample databases in the program folder, built on first use."));
    for (const db::SqlServerProfile& p : m_profiles)
        m_profile->addItem(p.name);
    m_profile->addItem(kNewProfile);
    m_authentication->addItems(
        {QStringLiteral("SQL Server authentication"), QStringLiteral("Windows authentication")});
    m_password->setEchoMode(QLineEdit::Password);
    m_remember->setChecked(true);
    for (const db::OdbcEncrypt e : {db::OdbcEncrypt::Yes, db::OdbcEncrypt::No, db::OdbcEncrypt::Strict})
        m_encrypt->addItem(db::odbcEncryptName(e), int(e));
    m_encrypt->setToolTip(
        QStringLiteral("\"yes\": encrypted, the server's certificate checked (ODBC Driver "
                       "18's default); \"strict\": always checked; \"no\": not encrypted."));
    m_certificateWarning->setWordWrap(true);
    m_certificateWarning->setStyleSheet(QStringLiteral("color: #8a5300"));

    auto* sqlForm = new QFormLayout;
    sqlForm->addRow(QStringLiteral("Profile:"), m_profile);
    sqlForm->addRow(QStringLiteral("Profile name:"), m_profileName);
    sqlForm->addRow(QStringLiteral("Server:"), m_server);
    sqlForm->addRow(QStringLiteral("Database:"), m_database);
    sqlForm->addRow(QStringLiteral("Authentication:"), m_authentication);
    sqlForm->addRow(QStringLiteral("ODBC driver:"), m_driver);
    sqlForm->addRow(QStringLiteral("User:"), m_user);
    sqlForm->addRow(QStringLiteral("Password:"), m_password);
    sqlForm->addRow(QStringLiteral("Encrypt:"), m_encrypt);
    sqlForm->addRow(QString(), m_trustCertificate);
    sqlForm->addRow(QString(), m_certificateWarning);
    sqlForm->addRow(QStringLiteral("More options:"), m_options);
    auto* embeddedForm = new QFormLayout;
    embeddedForm->addRow(QStringLiteral("Folder:"), m_folder);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_error);
    layout->addWidget(m_embedded);
    layout->addLayout(embeddedForm);
    layout->addWidget(m_sqlServer);
    layout->addLayout(sqlForm);
    layout->addWidget(m_remember);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &SignInDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &SignInDialog::reject);
    connect(m_embedded, &QRadioButton::toggled, this, &SignInDialog::updateEnabled);
    connect(m_authentication, &QComboBox::currentIndexChanged, this, &SignInDialog::updateEnabled);
    connect(m_profile, &QComboBox::currentIndexChanged, this, &SignInDialog::showProfile);
    connect(m_encrypt, &QComboBox::currentIndexChanged, this, &SignInDialog::updateEnabled);
    connect(m_trustCertificate, &QCheckBox::toggled, this, &SignInDialog::updateCertificateWarning);

    m_embedded->setChecked(true); // the default
    showProfile(0);
    updateEnabled();
}

void SignInDialog::showProfile(int index)
{
    const db::SqlServerProfile p =
        index >= 0 && index < m_profiles.size() ? m_profiles.at(index) : db::SqlServerProfile();
    m_profileName->setText(p.name);
    m_server->setText(p.server);
    m_database->setText(p.database);
    m_authentication->setCurrentIndex(p.windowsAuthentication ? 1 : 0);
    m_driver->setText(p.odbcDriver);
    m_user->setText(p.user);
    // A profile saved before the form had the two choices kept them among the options.
    const QString encryptOption = db::odbcAttribute(p.options, QStringLiteral("Encrypt"));
    const db::OdbcEncrypt encrypt =
        p.encrypt.value_or(db::odbcEncryptFromName(encryptOption).value_or(db::OdbcEncrypt::Yes));
    m_encrypt->setCurrentIndex(m_encrypt->findData(int(encrypt)));
    m_trustCertificate->setChecked(p.trustServerCertificate ||
                                   db::odbcAttribute(p.options, QStringLiteral("TrustServerCertificate"))
                                           .compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0);
    m_options->setText(db::withoutOdbcAttributes(p.options, kEncryptionKeys));
    m_password->clear();
}

void SignInDialog::updateCertificateWarning()
{
    const bool sql = m_sqlServer->isChecked();
    const auto encrypt = db::OdbcEncrypt(m_encrypt->currentData().toInt());
    QString warning;
    if (encrypt == db::OdbcEncrypt::No)
        warning =
            QStringLiteral("Not encrypted: the password and the patient data cross the network as plain "
                           "text.");
    else if (m_trustCertificate->isChecked() && encrypt == db::OdbcEncrypt::Yes)
        warning = QStringLiteral("The server's certificate is not checked: a computer posing as the server "
                                 "could read the password and the data. Tick this only for your own server "
                                 "with a self-signed certificate.");
    m_certificateWarning->setText(warning);
    m_certificateWarning->setVisible(sql && !warning.isEmpty());
    growToShowAll();
}

// A longer warning wraps onto more lines: the dialog grows so that none of it is cut off.
void SignInDialog::growToShowAll()
{
    QLayout* form = layout();
    if (!form || !isVisible())
        return;
    form->activate();
    const int needed =
        form->hasHeightForWidth() ? form->totalHeightForWidth(width()) : form->totalSizeHint().height();
    if (height() < needed)
        resize(width(), needed);
}

void SignInDialog::updateEnabled()
{
    const bool sql = m_sqlServer->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_profile, m_profileName, m_server, m_database,
                                                      m_authentication, m_driver, m_options, m_encrypt})
        w->setEnabled(sql);
    // "strict" always checks the certificate; "no" sends none to check.
    m_trustCertificate->setEnabled(sql &&
                                   db::OdbcEncrypt(m_encrypt->currentData().toInt()) == db::OdbcEncrypt::Yes);
    updateCertificateWarning();
    const bool sqlLogin = sql && m_authentication->currentIndex() == 0;
    m_user->setEnabled(sqlLogin);
    m_password->setEnabled(sqlLogin);
    m_folder->setEnabled(!sql);
    if (sqlLogin && m_server->text().isEmpty())
        m_server->setFocus();
    else if (sqlLogin)
        m_password->setFocus();
}

void SignInDialog::setSuggestion(const db::SignInChoice& suggestion)
{
    if (suggestion.kind == db::SignInChoice::Kind::SqlServer && suggestion.odbcConnectionString.isEmpty()) {
        int index = -1;
        for (int i = 0; i < m_profiles.size(); ++i)
            if (m_profiles.at(i).name == suggestion.profile.name)
                index = i;
        if (index >= 0) {
            m_profile->setCurrentIndex(index);
        } else {
            m_profiles.append(suggestion.profile);
            const auto added = static_cast<int>(m_profiles.size() - 1);
            m_profile->insertItem(added, suggestion.profile.name);
            m_profile->setCurrentIndex(added);
        }
        showProfile(m_profile->currentIndex());
        m_sqlServer->setChecked(true);
    } else {
        m_folder->setText(suggestion.embeddedFolder);
        m_embedded->setChecked(true);
    }
    m_remember->setChecked(suggestion.remember);
    m_password->clear();
    updateEnabled();
}

void SignInDialog::setError(const QString& error)
{
    m_error->setText(error);
    m_error->setVisible(!error.isEmpty());
}

db::SignInChoice SignInDialog::choice() const
{
    db::SignInChoice c;
    c.remember = m_remember->isChecked();
    if (m_embedded->isChecked()) {
        c.kind = db::SignInChoice::Kind::Embedded;
        c.embeddedFolder = m_folder->text().trimmed();
        return c;
    }
    c.kind = db::SignInChoice::Kind::SqlServer;
    db::SqlServerProfile& p = c.profile;
    p.server = m_server->text().trimmed();
    p.name = m_profileName->text().trimmed().isEmpty() ? p.server : m_profileName->text().trimmed();
    p.database = m_database->text().trimmed();
    p.windowsAuthentication = m_authentication->currentIndex() == 1;
    p.odbcDriver = m_driver->text().trimmed();
    p.user = p.windowsAuthentication ? QString() : m_user->text().trimmed();
    p.options = db::withoutOdbcAttributes(m_options->text().trimmed(), kEncryptionKeys);
    p.encrypt = db::OdbcEncrypt(m_encrypt->currentData().toInt());
    p.trustServerCertificate = m_trustCertificate->isEnabled() && m_trustCertificate->isChecked();
    c.password = p.windowsAuthentication ? QString() : m_password->text();
    return c;
}

void SignInDialog::accept()
{
    if (m_sqlServer->isChecked() && m_server->text().trimmed().isEmpty()) {
        setError(QStringLiteral("Enter the SQL Server to connect to."));
        m_server->setFocus();
        return;
    }
    QDialog::accept();
}

SignInDialogPrompt::SignInDialogPrompt(const db::SignInSettings* settings, Driver driver)
    : m_settings(settings), m_driver(std::move(driver))
{
}

std::optional<db::SignInChoice> SignInDialogPrompt::ask(const db::SignInChoice& suggestion,
                                                        const QString& previousError)
{
    SignInDialog dialog(m_settings ? m_settings->profiles() : QList<db::SqlServerProfile>());
    dialog.setSuggestion(suggestion);
    dialog.setError(previousError);
    const int answer = m_driver ? m_driver(dialog) : dialog.exec();
    if (answer != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace orvex::gui
