#include "db/CurrentUser.h"

#include "Error.h"
#include "sampledb/SampleDatabases.h"
#include "support/ConnectionFixtures.h"
#include "support/SqliteOdbc.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex::db;

namespace {

// Answers the sign-in with prepared choices, one per ask, and remembers what it was told.
class ScriptedPrompt : public SignInPrompt
{
public:
    explicit ScriptedPrompt(QList<std::optional<SignInChoice>> answers) : m_answers(std::move(answers)) {}
    std::optional<SignInChoice> ask(const SignInChoice& suggestion, const QString& previousError) override
    {
        suggestions << suggestion;
        errors << previousError;
        return m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
    }
    QList<SignInChoice> suggestions;
    QStringList errors;

private:
    QList<std::optional<SignInChoice>> m_answers;
};

SignInChoice embeddedIn(const QString& folder)
{
    SignInChoice c;
    c.kind = SignInChoice::Kind::Embedded;
    c.embeddedFolder = folder;
    return c;
}

// A SQL Server profile that the SQLite ODBC driver can follow: it takes DATABASE as the file.
SqlServerProfile sqliteOdbcProfile(const QString& folder)
{
    SqlServerProfile p;
    p.name = QStringLiteral("test server");
    p.server = QStringLiteral("localhost");
    p.odbcDriver = QStringLiteral("SQLite3");
    p.database = QDir(folder).filePath(QStringLiteral("Build_FILE.db"));
    p.user = QStringLiteral("orvex_admin");
    p.loginTimeoutSeconds = 3;
    return p;
}

struct Fixture
{
    QTemporaryDir dir;
    QString dbFolder = dir.filePath(QStringLiteral("db"));
    QString iniFile = dir.filePath(QStringLiteral("orvex.ini"));
    Fixture() { orvex::test::writeSmallDatabases(dbFolder); }
    std::unique_ptr<SignInSettings> settings() const { return std::make_unique<SignInSettings>(iniFile); }
};

bool buildFileHasTable(const QString& folder, const QString& table)
{
    bool found = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(QDir(folder).filePath(QStringLiteral("Build_FILE.db")));
        db.open();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("select count(*) from sqlite_master where name = ?"));
        q.addBindValue(table);
        found = q.exec() && q.next() && q.value(0).toInt() > 0;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return found;
}

} // namespace

TEST(CurrentUser, cancelledSignInIsNotConnected)
{
    Fixture f;
    ScriptedPrompt prompt({std::nullopt});
    CurrentUser user(prompt, f.settings());
    user.signIn();
    EXPECT_FALSE(user.connected());
    EXPECT_EQ(user.connection(), nullptr);
    EXPECT_EQ(user.lastError().toStdString(), "Sign-in was cancelled.");
    EXPECT_EQ(user.lastErrorKind(), orvex::Error::Kind::Cancelled);
    EXPECT_EQ(prompt.errors, QStringList{QString()});
    EXPECT_THROW(user.addLog(QStringLiteral("nothing")), orvex::Error);
}

TEST(CurrentUser, embeddedSignInGivesTheConnectionAndItsProperties)
{
    Fixture f;
    ScriptedPrompt prompt({embeddedIn(f.dbFolder)});
    CurrentUser user(prompt, f.settings());
    user.signIn();
    ASSERT_TRUE(user.connected()) << user.lastError().toStdString();
    ASSERT_NE(user.connection(), nullptr);
    EXPECT_EQ(user.connection()->product(), Product::Sqlite);
    EXPECT_EQ(user.serverName(), QDir::toNativeSeparators(f.dbFolder));
    EXPECT_EQ(user.userId(), CurrentUser::systemUserName());
    EXPECT_TRUE(user.serverPassword().isEmpty());
    EXPECT_EQ(user.driverName().toStdString(), "SQLite");

    // Both databases by name on the one connection.
    QSqlQuery q =
        user.connection()->exec(QStringLiteral("select (select count(*) from Build_FILE.tbICDdiagMain), "
                                               "(select count(*) from Medicare.tbMedPackage)"));
    ASSERT_TRUE(q.next());
    EXPECT_GT(q.value(0).toInt(), 0);
    EXPECT_GT(q.value(1).toInt(), 0);
}

TEST(CurrentUser, failedConnectionAsksAgainWithTheReason)
{
    Fixture f;
    const QString broken = f.dir.filePath(QStringLiteral("broken"));
    orvex::test::writeSmallDatabases(broken);
    QFile::remove(QDir(broken).filePath(QStringLiteral("Medicare.db")));

    ScriptedPrompt prompt({embeddedIn(broken), embeddedIn(f.dbFolder)});
    CurrentUser user(prompt, f.settings());
    user.signIn();
    ASSERT_TRUE(user.connected());
    ASSERT_EQ(prompt.errors.size(), 2);
    EXPECT_TRUE(prompt.errors[0].isEmpty());
    EXPECT_TRUE(prompt.errors[1].contains(QLatin1String("Medicare"))) << prompt.errors[1].toStdString();
    EXPECT_EQ(prompt.suggestions[1].embeddedFolder, broken);
    // A folder holding one of the two files is not filled with a sample.
    EXPECT_FALSE(QFile::exists(QDir(broken).filePath(QStringLiteral("Medicare.db"))));
}

TEST(CurrentUser, givingUpAfterAFailureKeepsTheReason)
{
    Fixture f;
    const QString corrupt = f.dir.filePath(QStringLiteral("corrupt"));
    QDir().mkpath(corrupt);
    orvex::test::writeBytes(QDir(corrupt).filePath(QStringLiteral("Build_FILE.db")), QByteArray(4096, 'x'));
    orvex::test::writeBytes(QDir(corrupt).filePath(QStringLiteral("Medicare.db")), QByteArray(4096, 'x'));
    ScriptedPrompt prompt({embeddedIn(corrupt)});
    CurrentUser user(prompt, f.settings());
    user.signIn();
    EXPECT_FALSE(user.connected());
    EXPECT_TRUE(user.lastError().contains(QLatin1String("Build_FILE"))) << user.lastError().toStdString();
    EXPECT_EQ(user.lastError(), prompt.errors.last());
    EXPECT_EQ(user.lastErrorKind(), orvex::Error::Kind::Database); // not a cancel: the reason's kind
}

TEST(CurrentUser, addlogLinesSurviveARestart)
{
    Fixture f;
    EXPECT_FALSE(buildFileHasTable(f.dbFolder, QStringLiteral("tbActivityLog")));
    {
        ScriptedPrompt prompt({embeddedIn(f.dbFolder)});
        CurrentUser user(prompt, f.settings());
        user.signIn();
        ASSERT_TRUE(user.connected());
        // Reading an absent log creates nothing.
        EXPECT_TRUE(user.lastLog(5).isEmpty());
        EXPECT_FALSE(buildFileHasTable(f.dbFolder, QStringLiteral("tbActivityLog")));
        user.addLog(QStringLiteral("Added A00.1"));
        user.addLog(QStringLiteral("Updated O'Brien's fever; drop table x to École fever"));
    }
    EXPECT_TRUE(buildFileHasTable(f.dbFolder, QStringLiteral("tbActivityLog")));

    ScriptedPrompt prompt({embeddedIn(f.dbFolder)});
    CurrentUser user(prompt, f.settings());
    user.signIn();
    ASSERT_TRUE(user.connected());
    user.addLog(QStringLiteral("third"));
    const QList<ActivityLogEntry> all = user.lastLog(0);
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0].text.toStdString(), "Added A00.1");
    EXPECT_EQ(all[1].text.toStdString(), "Updated O'Brien's fever; drop table x to École fever");
    EXPECT_EQ(all[2].text.toStdString(), "third");
    for (const ActivityLogEntry& e : all) {
        EXPECT_EQ(e.user, CurrentUser::systemUserName());
        EXPECT_EQ(e.workstation, CurrentUser::workstation());
        EXPECT_TRUE(QDateTime::fromString(e.timestamp, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid())
            << e.timestamp.toStdString();
    }
    const QList<ActivityLogEntry> lastTwo = user.lastLog(2);
    ASSERT_EQ(lastTwo.size(), 2);
    EXPECT_EQ(lastTwo[0].text, all[1].text);
    EXPECT_EQ(lastTwo[1].text, all[2].text);
}

TEST(CurrentUser, sqlServerProfileIsSavedWithoutThePassword)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    Fixture f;
    const QString odbcFolder = f.dir.filePath(QStringLiteral("odbc"));
    orvex::test::writeSmallDatabases(odbcFolder, QStringLiteral("NOCASE"));
    SignInChoice choice;
    choice.kind = SignInChoice::Kind::SqlServer;
    choice.profile = sqliteOdbcProfile(odbcFolder);
    choice.password = QStringLiteral("Pa55;word}");
    {
        ScriptedPrompt prompt({choice});
        CurrentUser user(prompt, f.settings());
        user.signIn();
        ASSERT_TRUE(user.connected()) << user.lastError().toStdString();
        EXPECT_EQ(user.connection()->database().driverName(), QStringLiteral("QODBC"));
        EXPECT_EQ(user.serverName(), QStringLiteral("localhost"));
        EXPECT_EQ(user.userId(), QStringLiteral("orvex_admin"));
        EXPECT_EQ(user.serverPassword(), choice.password);
        EXPECT_EQ(user.driverName(), QStringLiteral("SQLite3"));
        user.addLog(QStringLiteral("over ODBC"));
        EXPECT_EQ(user.lastLog(1).value(0).user, QStringLiteral("orvex_admin"));
    }
    const QByteArray ini = orvex::test::readBytes(f.iniFile);
    EXPECT_FALSE(ini.contains("Pa55")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("orvex_admin"));

    // The next sign-in suggests the saved profile.
    ScriptedPrompt again({std::nullopt});
    CurrentUser user(again, f.settings());
    user.signIn();
    ASSERT_EQ(again.suggestions.size(), 1);
    EXPECT_EQ(again.suggestions[0].kind, SignInChoice::Kind::SqlServer);
    EXPECT_TRUE(again.suggestions[0].profile == choice.profile);
    EXPECT_TRUE(again.suggestions[0].password.isEmpty());
}

TEST(CurrentUser, emptyDefaultFolderGetsTheSampleDatabases)
{
    orvex::test::TempProgramFolder program;
    QTemporaryDir settingsDir;
    ScriptedPrompt prompt({SignInChoice()});
    CurrentUser user(prompt, std::make_unique<SignInSettings>(settingsDir.filePath(QStringLiteral("o.ini"))),
                     orvex::sampledb::provisionEmbeddedFolder);
    user.signIn();
    ASSERT_TRUE(user.connected()) << user.lastError().toStdString();
    EXPECT_EQ(QDir::fromNativeSeparators(user.serverName()), program.path() + QStringLiteral("/db"));
    EXPECT_TRUE(QFile::exists(program.path() + QStringLiteral("/db/Build_FILE.db")));
    EXPECT_TRUE(QFile::exists(program.path() + QStringLiteral("/db/Medicare.db")));
}

TEST(CurrentUser, namedEmptyFolderIsAnErrorNotASample)
{
    QTemporaryDir dir;
    ScriptedPrompt prompt({embeddedIn(dir.filePath(QStringLiteral("mistyped")))});
    CurrentUser user(prompt, nullptr, orvex::sampledb::provisionEmbeddedFolder);
    user.signIn();
    EXPECT_FALSE(user.connected());
    EXPECT_TRUE(user.lastError().contains(QLatin1String("db init"))) << user.lastError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("mistyped"))));
}

TEST(SignInSettings, profilesRoundTripAndReplaceByName)
{
    QTemporaryDir dir;
    SignInSettings settings(dir.filePath(QStringLiteral("s.ini")));
    SqlServerProfile a;
    a.name = QStringLiteral("main");
    a.server = QStringLiteral("HIS-DB\\SQL2019");
    a.user = QStringLiteral("sa");
    a.options = QStringLiteral("Encrypt=no;PWD=leak");
    SqlServerProfile b = a;
    b.name = QStringLiteral("test");
    b.windowsAuthentication = true;
    settings.saveProfile(a);
    settings.saveProfile(b);
    a.server = QStringLiteral("HIS-DB2");
    settings.saveProfile(a);

    SignInSettings reread(dir.filePath(QStringLiteral("s.ini")));
    const QList<SqlServerProfile> profiles = reread.profiles();
    ASSERT_EQ(profiles.size(), 2);
    EXPECT_EQ(profiles[0].server, QStringLiteral("HIS-DB2"));
    EXPECT_EQ(profiles[0].options, QStringLiteral("Encrypt=no"));
    EXPECT_TRUE(profiles[1].windowsAuthentication);
    reread.removeProfile(QStringLiteral("main"));
    EXPECT_EQ(reread.profiles().size(), 1);
}

TEST(SqlServerProfile, connectionStringNamesDriverServerDatabaseAndLogin)
{
    SqlServerProfile p;
    p.server = QStringLiteral("HIS-DB,1433");
    p.user = QStringLiteral("kestra;admin");
    p.options = QStringLiteral("Encrypt=no");
    EXPECT_EQ(p.odbcConnectionString().toStdString(),
              "DRIVER={ODBC Driver 18 for SQL "
              "Server};SERVER=HIS-DB,1433;DATABASE=Build_FILE;UID={kestra;admin};Encrypt=no");
    p.windowsAuthentication = true;
    p.options.clear();
    EXPECT_EQ(p.odbcConnectionString().toStdString(),
              "DRIVER={ODBC Driver 18 for SQL "
              "Server};SERVER=HIS-DB,1433;DATABASE=Build_FILE;Trusted_Connection=yes");
}
