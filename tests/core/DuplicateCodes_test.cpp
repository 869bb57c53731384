#include "Error.h"
#include "db/ActivityLog.h"
#include "sampledb/SampleDatabases.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "support/StatementFailures.h"
#include "tools/DuplicateCodes.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

// D50 three times (two of them in other letter case), E11 once, F20 twice.
class DuplicateCodes : public ::testing::TestWithParam<bool>
{
protected:
    DuplicateCodes() : dbs(GetParam()) {}

    void SetUp() override
    {
        if (GetParam()) // the same tables through the SQLite ODBC driver
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        dbs.addIcd("D50", "Iron deficiency anaemia");
        dbs.addIcd("E11", "Diabetes");
        dbs.addIcd("d50", "Iron deficiency anemia, library wording");
        dbs.addIcd("F20", QVariant());
        dbs.addIcd("D50", "Anaemia");
        dbs.addIcd("F20", "Schizophrenia");
        connection = db::Connection::open(dbs.settings());
    }

    QStringList table()
    {
        QStringList rows;
        QSqlQuery q = connection->exec(QStringLiteral("select CODE || ' ' || ifnull(Description, 'NULL') "
                                                      "from Build_FILE.tbICDdiagMain order by rowid"));
        while (q.next())
            rows.append(q.value(0).toString());
        return rows;
    }

    QStringList logTexts()
    {
        QStringList texts;
        for (const db::ActivityLogEntry& e : db::ActivityLog(*connection).last(0))
            texts.append(e.text);
        return texts;
    }

    test::SmallDatabases dbs;
    std::unique_ptr<db::Connection> connection;
    const tools::LogIdentity who{QStringLiteral("tester"), QStringLiteral("ws1")};
};

} // namespace

TEST_P(DuplicateCodes, checkLogsTheSurplusRowsAndDeleteKeepsTheFirstRowOfEachCode)
{
    const QStringList before = table();
    const quint64 sent = connection->statementsSent();
    EXPECT_EQ(tools::checkDuplicateIcdCodes(*connection, who, QDateTime::currentDateTime()).size(), 3);
    // The lines go as one statement, not one per row: the read, begin, the log's check and
    // creation, the lines, commit.
    EXPECT_LE(connection->statementsSent() - sent, 6u);
    EXPECT_EQ(logTexts(), (QStringList{"d50 Iron deficiency anemia, library wording 2", "D50 Anaemia 3",
                                       "F20 Schizophrenia 2"}));
    EXPECT_EQ(table(), before); // a check changes nothing

    const quint64 sentBeforeDelete = connection->statementsSent();
    const QList<tools::DeletedIcdRow> deleted =
        tools::deleteDuplicateIcdCodes(*connection, who, QDateTime::currentDateTime());
    EXPECT_EQ(deleted.size(), 3);
    EXPECT_LE(connection->statementsSent() - sentBeforeDelete, 8u); // a few, whatever the rows
    EXPECT_EQ(table(), (QStringList{"D50 Iron deficiency anaemia", "E11 Diabetes", "F20 NULL"}));
    QStringList deleteLines = logTexts().mid(3);
    deleteLines.sort();
    EXPECT_EQ(
        deleteLines,
        (QStringList{
            "Duplicate ICD row deleted from tbICDdiagMain: code \"D50\", description \"Anaemia\", allow as "
            "primary \"1\"",
            "Duplicate ICD row deleted from tbICDdiagMain: code \"F20\", description \"Schizophrenia\", "
            "allow as primary \"1\"",
            "Duplicate ICD row deleted from tbICDdiagMain: code \"d50\", description \"Iron deficiency "
            "anemia, library wording\", allow as primary \"1\""}));

    EXPECT_TRUE(tools::checkDuplicateIcdCodes(*connection, who, QDateTime::currentDateTime()).isEmpty());
    EXPECT_TRUE(tools::deleteDuplicateIcdCodes(*connection, who, QDateTime::currentDateTime()).isEmpty());
    EXPECT_EQ(logTexts().size(), 6); // nothing more logged
}

TEST_P(DuplicateCodes, theCodesOfDifferingRowsNameTheRowTheDeleteKeeps)
{
    dbs.addIcd("E11", "Diabetes"); // the same description twice: not listed
    QStringList lines;
    for (const tools::DifferingDuplicate& code : tools::findDifferingDuplicates(*connection))
        lines.append(tools::differingDuplicateLine(code));
    EXPECT_EQ(lines, (QStringList{
                         "D50 (3 rows) keeps \"Iron deficiency anaemia\"; 2 rows with another description go",
                         "F20 (2 rows) keeps NULL; 1 row with another description goes"}));
    EXPECT_TRUE(logTexts().isEmpty());

    tools::deleteDuplicateIcdCodes(*connection, who, QDateTime::currentDateTime());
    EXPECT_EQ(table(), (QStringList{"D50 Iron deficiency anaemia", "E11 Diabetes", "F20 NULL"}));
    EXPECT_TRUE(tools::findDifferingDuplicates(*connection).isEmpty());
}

TEST_P(DuplicateCodes, aFailureBeforeAnyStatementOfTheDeleteDeletesNothing)
{
    const QStringList before = table();
    const int failuresSeen = test::failEachStatementInTurn(
        *connection, 40,
        [&] { tools::deleteDuplicateIcdCodes(*connection, who, QDateTime::currentDateTime()); },
        [&](const Error& e, int failAt) {
            EXPECT_TRUE(e.message().startsWith(QLatin1String("No duplicate ICD rows were deleted: ")))
                << e.what();
            EXPECT_EQ(table(), before) << "failure before statement " << failAt;
            EXPECT_TRUE(logTexts().isEmpty());
        });
    EXPECT_GE(failuresSeen, 6); // begin, delete, log table check and creation, a log line, commit
    EXPECT_EQ(table().size(), 3);
}

INSTANTIATE_TEST_SUITE_P(Backends, DuplicateCodes, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });

TEST(DuplicateCodesCollation, codesThatDifferOnlyInTrailingBlanksAreOneCodeOnTheEmbeddedDatabase)
{
    test::SmallDatabases dbs;
    dbs.addIcd("A01", "First");
    dbs.addIcd("A01 ", "Second");
    auto connection = db::Connection::open(dbs.settings());
    const QList<tools::SurplusIcdRow> rows = tools::findDuplicateIcdRows(*connection);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].description.toString(), QStringLiteral("Second"));
}

TEST(DuplicateCodesSample, theSampleNamesD50OfTenDifferingRows)
{
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    auto connection = db::Connection::open(settings);
    QStringList lines;
    for (const tools::DifferingDuplicate& code : tools::findDifferingDuplicates(*connection))
        lines.append(tools::differingDuplicateLine(code));
    ASSERT_FALSE(lines.isEmpty());
    const QStringList d50 = lines.filter(QRegularExpression(QStringLiteral("^D50\\.0 ")));
    ASSERT_EQ(d50.size(), 1) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(d50[0].startsWith(QLatin1String("D50.0 (10 rows) keeps \"")));
    EXPECT_TRUE(d50[0].endsWith(QLatin1String("; 9 rows with another description go")))
        << d50[0].toStdString();
}
