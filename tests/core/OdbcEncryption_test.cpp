// The sign-in's two encryption choices in the connection string, the saved profile and the
// messages of a refused login.
#include "db/Connection.h"
#include "db/OdbcConnectionString.h"
#include "db/SignIn.h"

#include "Error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::db;

TEST(OdbcEncryption, chosenValuesReplaceTheOptionsOwnAndAreQuoted)
{
    SqlServerProfile p;
    p.server = QStringLiteral("HIS-DB");
    p.user = QStringLiteral("kestra");
    p.options = QStringLiteral("encrypt=no;APP={Orvex; ward};TrustServerCertificate=yes");
    p.encrypt = OdbcEncrypt::Strict;
    EXPECT_EQ(p.odbcConnectionString().toStdString(),
              "DRIVER={ODBC Driver 18 for SQL Server};SERVER=HIS-DB;DATABASE=Build_FILE;UID=kestra;"
              "APP={Orvex; ward};Encrypt=strict;TrustServerCertificate=no");
    p.encrypt = OdbcEncrypt::Yes;
    p.trustServerCertificate = true;
    const QString s = p.odbcConnectionString();
    EXPECT_EQ(odbcAttribute(s, QStringLiteral("Encrypt")), QStringLiteral("yes"));
    EXPECT_EQ(odbcAttribute(s, QStringLiteral("TrustServerCertificate")), QStringLiteral("yes"));
    EXPECT_EQ(odbcAttribute(s, QStringLiteral("APP")), QStringLiteral("Orvex; ward"));
    EXPECT_EQ(s.count(QStringLiteral("Encrypt="), Qt::CaseInsensitive), 1);
}

TEST(OdbcEncryption, theWordsReadBackAndOthersAreRefused)
{
    for (const OdbcEncrypt e : {OdbcEncrypt::Yes, OdbcEncrypt::No, OdbcEncrypt::Strict})
        EXPECT_EQ(odbcEncryptFromName(odbcEncryptName(e)), e);
    EXPECT_EQ(odbcEncryptFromName(QStringLiteral("STRICT")), OdbcEncrypt::Strict);
    EXPECT_FALSE(odbcEncryptFromName(QStringLiteral("mandatory")).has_value());
}

TEST(OdbcEncryption, theProfileKeepsBothChoicesButNeverThePassword)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("s.ini"));
    SignInChoice choice;
    choice.kind = SignInChoice::Kind::SqlServer;
    choice.profile.name = QStringLiteral("ward");
    choice.profile.server = QStringLiteral("HIS-DB");
    choice.profile.user = QStringLiteral("kestra");
    choice.profile.encrypt = OdbcEncrypt::No;
    choice.profile.trustServerCertificate = true;
    choice.password = QStringLiteral("s3cret-pass");
    {
        SignInSettings settings(ini);
        settings.rememberChoice(choice);
    }
    const QList<SqlServerProfile> profiles = SignInSettings(ini).profiles();
    ASSERT_EQ(profiles.size(), 1);
    EXPECT_EQ(profiles[0], choice.profile);
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("s3cret-pass"));
}

namespace {
ConnectionSettings odbc(const QString& connectionString)
{
    ConnectionSettings s;
    s.kind = ConnectionSettings::Kind::Odbc;
    s.odbcConnectionString = connectionString;
    s.password = QStringLiteral("s3cret-pass");
    return s;
}

const QString kSelfSigned = QStringLiteral(
    "[Microsoft][ODBC Driver 18 for SQL Server]SSL Provider: [error:0A000086:SSL routines::certificate "
    "verify failed:self-signed certificate] (s3cret-pass)");
} // namespace

TEST(OdbcEncryption, aRefusedCertificateSaysWhichChoiceToChange)
{
    const QString message =
        odbcLoginFailure(odbc(QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};SERVER=his")),
                         kSelfSigned)
            .message();
    EXPECT_TRUE(message.contains(QLatin1String("the server's certificate was not accepted")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("tick \"Trust server certificate\"")))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("s3cret-pass")));

    const QString strict = odbcLoginFailure(odbc(QStringLiteral("DRIVER={ODBC Driver 18 for SQL "
                                                                "Server};SERVER=his;Encrypt=strict")),
                                            kSelfSigned)
                               .message();
    EXPECT_TRUE(
        strict.contains(QLatin1String("set \"Encrypt\" to \"yes\" and tick \"Trust server certificate\"")))
        << strict.toStdString();
}

TEST(OdbcEncryption, aMissingDriverNamesTheFormsField)
{
    const QString message =
        odbcLoginFailure(
            odbc(QStringLiteral("DRIVER={ODBC Driver 99};SERVER=his")),
            QStringLiteral("[unixODBC][Driver Manager]Can't open lib 'ODBC Driver 99' : file not found"))
            .message();
    EXPECT_TRUE(message.contains(QLatin1String("the sign-in form's \"ODBC driver\" field")))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("DRIVER="))) << message.toStdString();
}
