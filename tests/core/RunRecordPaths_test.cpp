#include "review/RunRecord.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;

TEST(RunRecord, listPathsAreWrittenAsTheUserReadsThemAndReadBackAsBefore)
{
    // Beside "database", which names its folder natively, a list's path in the record has the
    // same separators ("Z:\...\ICD PH 2024.txt" on Windows, not "Z:/...").
    QTemporaryDir dir;
    const QString list = QDir(dir.path()).filePath("ICD PH 2024.txt");
    review::RunRecord record = review::newRunRecord(
        QString::fromUtf16(review::kUpdateRun), QDateTime(QDate(2024, 2, 14), QTime(9, 30)), "tester",
        QStringLiteral("the embedded databases in %1").arg(QDir::toNativeSeparators(dir.path())));
    jobs::Finding change;
    change.kind = jobs::Finding::Kind::NewRow;
    change.table = "[Build_FILE].[dbo].[tbICDdiagMain]";
    change.keyColumn = "ICDCode";
    change.key = change.code = "A00.0";
    change.sourceLine = 7;
    change.sourceFile = list;
    record.changes.push_back(change);

    const QJsonObject written = QJsonDocument::fromJson(review::runRecordJson(record)).object();
    EXPECT_EQ(written["changes"].toArray().at(0).toObject()["file"].toString(),
              QDir::toNativeSeparators(list));

    review::writeRunRecord(record, dir.path());
    const review::RunRecord read = review::readRunRecord(QDir(dir.path()).filePath("changes.json"));
    ASSERT_EQ(read.changes.size(), 1u);
    EXPECT_EQ(read.changes[0].sourceFile, list);
}
