#pragma once

#include "db/SignIn.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace orvex::gui {

// The sign-in dialog: the embedded sample database (the default, no password) or a SQL
// Server reached through a saved profile. The password is asked every time and is never
// shown again or saved.
class SignInDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SignInDialog(QList<db::SqlServerProfile> profiles, QWidget* parent = nullptr);

    // Fills the dialog with the last choice (its password is never there) and the reason
    // the last attempt failed, if any.
    void setSuggestion(const db::SignInChoice& suggestion);
    void setError(const QString& error);

    db::SignInChoice choice() const;

    void accept() override; // refuses a SQL Server choice without a server

private:
    void showProfile(int index);
    void updateEnabled();
    void updateCertificateWarning();
    void growToShowAll();

    QList<db::SqlServerProfile> m_profiles;
    QLabel* m_error;
    QRadioButton* m_embedded;
    QRadioButton* m_sqlServer;
    QLineEdit* m_folder;
    QComboBox* m_profile;
    QLineEdit* m_profileName;
    QLineEdit* m_server;
    QLineEdit* m_database;
    QComboBox* m_authentication;
    QLineEdit* m_driver;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_options;
    QComboBox* m_encrypt;          // "yes", "no", "strict"
    QCheckBox* m_trustCertificate; // a self-signed certificate accepted unchecked
    QLabel* m_certificateWarning;  // what either choice gives up
    QCheckBox* m_remember;
    QDialogButtonBox* m_buttons;
};

// The window's sign-in prompt for the current-user component: one SignInDialog per ask,
// run modal, or by a driver (tests) that fills the dialog and answers.
class SignInDialogPrompt : public db::SignInPrompt
{
public:
    using Driver = std::function<int(SignInDialog& dialog)>; // returns QDialog::Accepted or Rejected

    // `settings` lists the saved profiles; may be null (no profiles). `driver` empty: the
    // modal dialog.
    explicit SignInDialogPrompt(const db::SignInSettings* settings, Driver driver = {});

    std::optional<db::SignInChoice> ask(const db::SignInChoice& suggestion,
                                        const QString& previousError) override;

private:
    const db::SignInSettings* m_settings;
    Driver m_driver;
};

} // namespace orvex::gui
