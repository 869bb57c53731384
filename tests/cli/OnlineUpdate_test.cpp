// orvex-cli online-update and search on the sample databases.
#include "db/SignIn.h"
#include "sampledb/SampleDatabases.h"
#include "support/CliRun.h"
#include "support/SqliteOdbc.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace orvex;
using test::runCliText;

namespace {

QStringList lines(const QString& out)
{
    QStringList result = out.split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

class OnlineUpdateCli : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("ORVEX_CENTRAL_PASSWORD", QByteArray()); // never a prompt on a terminal
        s_sample = std::make_unique<QTemporaryDir>();
        sampledb::buildSampleDatabases(s_sample->path(), false);
    }
    static void TearDownTestSuite() { s_sample.reset(); }

    // A copy of the sample databases of its own, for a test that changes them.
    QString freshCopy()
    {
        for (const QString& file : sampledb::sampleDatabaseFiles())
            QFile::copy(QDir(s_sample->path()).filePath(file), m_copy.filePath(file));
        return m_copy.path();
    }

    static std::unique_ptr<QTemporaryDir> s_sample;
    QTemporaryDir m_copy;
};
std::unique_ptr<QTemporaryDir> OnlineUpdateCli::s_sample;

} // namespace

TEST_F(OnlineUpdateCli, checkPrintsTheCentralRowsHeaderFirstAlsoThroughOdbc)
{
    const auto run = runCliText({"--db", s_sample->path(), "online-update", "--check"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList out = lines(run.out);
    ASSERT_EQ(out.size(), 664);
    EXPECT_EQ(out[0], QStringLiteral("CODE\tDescription\tSOURCE\tCHANGETYPE\tLISTLINE\tALLOWASPRIMARY"));
    EXPECT_EQ(out[1].count(QLatin1Char('\t')), 5);

    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    const QString odbc = QStringLiteral("DRIVER={SQLite3};Database=%1")
                             .arg(QDir(s_sample->path()).filePath(QStringLiteral("central.db")));
    const auto viaOdbc =
        runCliText({"--db", s_sample->path(), "online-update", "--check", "--central-odbc", odbc});
    ASSERT_EQ(viaOdbc.exitCode, 0) << viaOdbc.err.toStdString();
    EXPECT_EQ(lines(viaOdbc.out), out);
}

TEST_F(OnlineUpdateCli, applyBringsTheSampleUpToTheCentralTableAndLogsEveryChange)
{
    const QString folder = freshCopy();
    const auto run = runCliText({"--workdir", folder, "--db", folder, "online-update", "--apply"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList out = lines(run.out);
    ASSERT_FALSE(out.isEmpty());
    const QString takeBack = out.takeLast();
    ASSERT_TRUE(takeBack.startsWith(QLatin1String("To take it back: orvex-cli undo \"")))
        << takeBack.toStdString();
    const QString undoFile = takeBack.section(QLatin1Char('"'), 1, 1);
    EXPECT_TRUE(QFileInfo::exists(undoFile)) << undoFile.toStdString();
    const QString done = out.takeLast();
    const qsizetype added = out.filter(QRegularExpression(QStringLiteral("^Added "))).size();
    const qsizetype updated = out.filter(QRegularExpression(QStringLiteral("^Updated .* to "))).size();
    EXPECT_GT(added, 0);
    EXPECT_GT(updated, 0);
    EXPECT_EQ(added + updated, out.size());
    EXPECT_EQ(done, QStringLiteral("Done. %1 added, %2 updated.").arg(added).arg(updated));

    const auto log = runCliText({"--db", folder, "log"});
    EXPECT_EQ(lines(log.out).size(), out.size() + 2); // and the update and its undo file
    EXPECT_TRUE(log.out.contains(QStringLiteral("\t") + out.first() + QStringLiteral("\n")));

    const auto again = runCliText({"--workdir", folder, "--db", folder, "online-update", "--apply"});
    EXPECT_EQ(again.out, QStringLiteral("Done. 0 added, 0 updated.\n"));

    // The undo file takes the update back: the next update finds the same changes again.
    const auto undone = runCliText({"--workdir", folder, "--db", folder, "undo", undoFile, "--yes"});
    ASSERT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    const auto redone = runCliText({"--workdir", folder, "--db", folder, "online-update", "--apply"});
    ASSERT_EQ(redone.exitCode, 0) << redone.err.toStdString();
    EXPECT_TRUE(redone.out.contains(done + QLatin1Char('\n'))) << redone.out.toStdString();
}

TEST_F(OnlineUpdateCli, badCentralServersAndOptionsGiveClearMessages)
{
    QTemporaryDir empty;
    const auto missing =
        runCliText({"--db", s_sample->path(), "online-update", "--check", "--central-db", empty.path()});
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_TRUE(missing.err.contains(QLatin1String("central.db"))) << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());

    EXPECT_EQ(runCliText({"online-update"}).exitCode, 2);
    EXPECT_EQ(runCliText({"online-update", "--check", "--apply"}).exitCode, 2);
    EXPECT_EQ(runCliText({"online-update", "--check", "--central-db", "a", "--central-odbc", "b"}).exitCode,
              2);
    EXPECT_EQ(runCliText({"online-update", "--check", "--save-central"}).exitCode, 2);

    // A database without the update table, reached through ODBC.
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    const QString noTable = QStringLiteral("DRIVER={SQLite3};Database=%1")
                                .arg(QDir(s_sample->path()).filePath(QStringLiteral("Medicare.db")));
    const auto wrong =
        runCliText({"--db", s_sample->path(), "online-update", "--apply", "--central-odbc", noTable});
    EXPECT_EQ(wrong.exitCode, 4);
    EXPECT_TRUE(wrong.err.contains(QLatin1String("tbICDdiagMainUpdate"))) << wrong.err.toStdString();
}

TEST_F(OnlineUpdateCli, saveCentralKeepsOnlyAServerThatAnswered)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    db::SignInSettings().setCentralProfile(std::nullopt);
    const QString noTable = QStringLiteral("DRIVER={SQLite3};SERVER=central;Database=%1")
                                .arg(QDir(s_sample->path()).filePath(QStringLiteral("Medicare.db")));
    const auto failed = runCliText(
        {"--db", s_sample->path(), "online-update", "--check", "--central-odbc", noTable, "--save-central"});
    EXPECT_EQ(failed.exitCode, 4);
    EXPECT_FALSE(db::SignInSettings().centralProfile().has_value());

    const QString central = QStringLiteral("DRIVER={SQLite3};SERVER=central;Database=%1")
                                .arg(QDir(s_sample->path()).filePath(QStringLiteral("central.db")));
    const auto saved = runCliText(
        {"--db", s_sample->path(), "online-update", "--check", "--central-odbc", central, "--save-central"});
    EXPECT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_TRUE(db::SignInSettings().centralProfile().has_value());
    EXPECT_EQ(runCliText({"online-update", "--forget-central"}).exitCode, 0);
    EXPECT_FALSE(db::SignInSettings().centralProfile().has_value());
}

TEST_F(OnlineUpdateCli, searchPrintsTheBestMatchesFirst)
{
    const auto run = runCliText({"--db", s_sample->path(), "search", "fever", "typhoid", "--limit", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList out = lines(run.out);
    ASSERT_FALSE(out.isEmpty());
    EXPECT_LE(out.size(), 3);
    EXPECT_TRUE(out[0].startsWith(QLatin1String("A01.0\t"))) << out[0].toStdString();

    const auto code = runCliText({"--db", s_sample->path(), "search", "a00.0"});
    EXPECT_TRUE(code.out.startsWith(QLatin1String("A00.0\t"))) << code.out.toStdString();
    for (const char* odd : {"%", "_", "'"}) {
        const auto r = runCliText({"--db", s_sample->path(), "search", odd});
        EXPECT_EQ(r.exitCode, 0) << odd;
        EXPECT_TRUE(r.out.isEmpty()) << odd;
    }
    EXPECT_EQ(runCliText({"--db", s_sample->path(), "search", QString(500, QLatin1Char('x'))}).exitCode, 0);
    EXPECT_EQ(runCliText({"search"}).exitCode, 2);
    EXPECT_EQ(runCliText({"search", "x", "--limit", "0"}).exitCode, 2);
}
