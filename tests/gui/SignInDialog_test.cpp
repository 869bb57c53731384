#include "gui/SignInDialog.h"

#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using namespace orvex;
using namespace orvex::test;
using gui::SignInDialog;

namespace {

db::SqlServerProfile profile(const QString& name, const QString& server, const QString& user)
{
    db::SqlServerProfile p;
    p.name = name;
    p.server = server;
    p.user = user;
    p.options = QStringLiteral("Encrypt=no");
    return p;
}

QLineEdit* edit(const SignInDialog& d, const char* name)
{
    return control<QLineEdit>(d, name);
}

// Shown as a plain window so that clicks land; never run modally.
void showNonModal(SignInDialog& d)
{
    d.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
}

} // namespace

TEST(SignInDialog, embeddedSampleIsTheDefaultAndNeedsNoPassword)
{
    SignInDialog d({profile("Ward", "sql01", "kestra")});
    showNonModal(d);
    EXPECT_TRUE(control<QRadioButton>(d, "optEmbedded")->isChecked());
    EXPECT_FALSE(edit(d, "txtPassword")->isEnabled());
    EXPECT_FALSE(edit(d, "txtServer")->isEnabled());
    EXPECT_TRUE(control<QLabel>(d, "lblSignInError")->isHidden());

    const db::SignInChoice c = d.choice();
    EXPECT_EQ(c.kind, db::SignInChoice::Kind::Embedded);
    EXPECT_TRUE(c.embeddedFolder.isEmpty()) << "empty means the default folder";
    EXPECT_TRUE(c.password.isEmpty());
}

TEST(SignInDialog, savedProfileFillsTheFormAndThePasswordIsTyped)
{
    SignInDialog d({profile("Ward", "sql01", "kestra"), profile("Lab", "sql02\\LAB", "labuser")});
    showNonModal(d);
    click(control<QRadioButton>(d, "optSqlServer"));
    control<QComboBox>(d, "cboProfile")->setCurrentIndex(1);
    EXPECT_EQ(edit(d, "txtServer")->text(), QStringLiteral("sql02\\LAB"));
    EXPECT_EQ(edit(d, "txtUser")->text(), QStringLiteral("labuser"));
    EXPECT_TRUE(edit(d, "txtPassword")->text().isEmpty());
    EXPECT_EQ(edit(d, "txtPassword")->echoMode(), QLineEdit::Password);
    edit(d, "txtPassword")->setText(QStringLiteral("s3cret"));

    const db::SignInChoice c = d.choice();
    EXPECT_EQ(c.kind, db::SignInChoice::Kind::SqlServer);
    db::SqlServerProfile expected = profile("Lab", "sql02\\LAB", "labuser");
    expected.options.clear(); // its Encrypt=no is the form's choice now
    expected.encrypt = db::OdbcEncrypt::No;
    EXPECT_EQ(c.profile, expected);
    EXPECT_EQ(c.password, QStringLiteral("s3cret"));
}

TEST(SignInDialog, suggestionReselectsTheProfileWithoutPasswordAndShowsTheError)
{
    db::SignInChoice last;
    last.kind = db::SignInChoice::Kind::SqlServer;
    last.profile = profile("Lab", "sql02", "labuser");
    last.password = QStringLiteral("typed before");
    SignInDialog d({profile("Ward", "sql01", "kestra"), profile("Lab", "sql02", "labuser")});
    showNonModal(d);
    d.setSuggestion(last);
    d.setError(QStringLiteral("Cannot connect to sql02: login failed."));

    EXPECT_TRUE(control<QRadioButton>(d, "optSqlServer")->isChecked());
    EXPECT_EQ(control<QComboBox>(d, "cboProfile")->currentText(), QStringLiteral("Lab"));
    EXPECT_TRUE(edit(d, "txtPassword")->text().isEmpty());
    EXPECT_FALSE(control<QLabel>(d, "lblSignInError")->isHidden());
    EXPECT_EQ(control<QLabel>(d, "lblSignInError")->text(),
              QStringLiteral("Cannot connect to sql02: login failed."));
}

TEST(SignInDialog, windowsAuthenticationSendsNoUserOrPassword)
{
    SignInDialog d({profile("Ward", "sql01", "kestra")});
    showNonModal(d);
    click(control<QRadioButton>(d, "optSqlServer"));
    control<QComboBox>(d, "cboAuthentication")->setCurrentIndex(1);
    EXPECT_FALSE(edit(d, "txtPassword")->isEnabled());
    const db::SignInChoice c = d.choice();
    EXPECT_TRUE(c.profile.windowsAuthentication);
    EXPECT_TRUE(c.profile.user.isEmpty());
    EXPECT_TRUE(c.password.isEmpty());
}

TEST(SignInDialog, sqlServerWithoutServerIsRefused)
{
    SignInDialog d({});
    showNonModal(d);
    click(control<QRadioButton>(d, "optSqlServer"));
    edit(d, "txtServer")->clear();
    d.accept();
    EXPECT_NE(d.result(), int(QDialog::Accepted));
    EXPECT_FALSE(control<QLabel>(d, "lblSignInError")->isHidden());
}

// The two encryption choices, chosen by a user: the plain warning follows them, and the
// profile carries them (an older profile's options give them up).
TEST(SignInDialog, encryptAndTrustAreChosenOnTheFormWithAWarning)
{
    SignInDialog d({profile("Ward", "sql01", "kestra")});
    showNonModal(d);
    click(control<QRadioButton>(d, "optSqlServer"));
    auto* encrypt = control<QComboBox>(d, "cboEncrypt");
    auto* trust = control<QCheckBox>(d, "chkTrustServerCertificate");
    auto* warning = control<QLabel>(d, "lblCertificateWarning");
    EXPECT_EQ(encrypt->currentText(), QStringLiteral("no")) << "the old profile's Encrypt=no";
    EXPECT_TRUE(edit(d, "txtOptions")->text().isEmpty());
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(warning->text().startsWith(QStringLiteral("Not encrypted"))) << warning->text().toStdString();
    EXPECT_FALSE(trust->isEnabled()) << "nothing to trust without encryption";

    encrypt->setFocus();
    QTest::keyClick(encrypt, Qt::Key_Up); // "yes"
    EXPECT_EQ(encrypt->currentText(), QStringLiteral("yes"));
    EXPECT_FALSE(warning->isVisible());
    click(trust);
    EXPECT_TRUE(trust->isChecked());
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(warning->text().contains(QLatin1String("not checked"))) << warning->text().toStdString();
    QCoreApplication::processEvents();
    EXPECT_GE(warning->height(), warning->heightForWidth(warning->width()))
        << "the longer warning is cut off";

    db::SignInChoice c = d.choice();
    EXPECT_EQ(c.profile.encrypt, db::OdbcEncrypt::Yes);
    EXPECT_TRUE(c.profile.trustServerCertificate);
    EXPECT_TRUE(c.profile.options.isEmpty());

    QTest::keyClick(encrypt, Qt::Key_Down);
    QTest::keyClick(encrypt, Qt::Key_Down); // "strict"
    EXPECT_EQ(encrypt->currentText(), QStringLiteral("strict"));
    EXPECT_FALSE(trust->isEnabled());
    c = d.choice();
    EXPECT_EQ(c.profile.encrypt, db::OdbcEncrypt::Strict);
    EXPECT_FALSE(c.profile.trustServerCertificate) << "strict always checks the certificate";
}
