// orvex-cli update --json: the one object the command prints, the same the golden run holds.
#include "support/CliRun.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace orvex;

TEST(UpdateCommand, jsonIsTheRunsObject)
{
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);

    const test::CliRun run = test::runCliInProcess({"--db", db.folder(), "update", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(test::outputLines(run.out).size(), 1); // one object, one line
    QString text = QString::fromUtf8(run.out);
    text.replace(program.path(), QStringLiteral("<program folder>"));
    const QJsonDocument expected =
        QJsonDocument::fromJson(test::readBytes(test::fixturePath("update-run/default/update.json.golden")));
    EXPECT_EQ(QJsonDocument::fromJson(text.toUtf8()), expected) << run.out.toStdString();
}
