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

TEST(RunRecord, changesAreLaidOutByteForByteAsQJsonDocumentLaysOutEachOfThem)
{
    // The record's changes are written by hand; each must read exactly as QJsonDocument's
    // indented form of the same object, whatever its texts hold.
    review::RunRecord record = review::newRunRecord(
        QString::fromUtf16(review::kScanRun), QDateTime(QDate(2024, 2, 14), QTime(9, 30)), "tester", "db");
    const QString awkward = QString::fromUtf16(u"a\"b\\c/\b\f\n\r\t\x01\x1f\x7f \u00e9\u20ac \U0001F600 ") +
                            QChar(0xd800) + QStringLiteral("x") + QChar(0xdc00);
    jobs::Finding changed;
    changed.kind = jobs::Finding::Kind::ChangedValues;
    changed.table = "[Build_FILE].[dbo].[tbICDdiagMain]";
    changed.keyColumn = "CODE";
    changed.key = changed.code = awkward;
    changed.read = {{"Description", awkward}, {"Amount", "1,200.00"}};
    changed.proposed = {{"Description", "NEW"}, {"Amount", ""}};
    changed.sourceLine = 12345;
    changed.sourceFile = "/lists/ICD PH 2024.txt";
    jobs::Finding added = changed;
    added.kind = jobs::Finding::Kind::NewRow;
    added.read.clear();
    added.sourceLine = 0;
    added.sourceFile = QString();
    record.changes = {changed, added};

    const QByteArray written = review::runRecordJson(record);
    const QJsonArray changes = QJsonDocument::fromJson(written).object()["changes"].toArray();
    ASSERT_EQ(changes.size(), 2);
    QByteArray expected = ",\n    \"changes\": [\n";
    for (qsizetype i = 0; i < changes.size(); ++i) {
        expected += QJsonDocument(changes[i].toObject()).toJson(QJsonDocument::Indented).chopped(1);
        expected += i + 1 < changes.size() ? ",\n" : "\n";
    }
    expected += "    ]\n}\n";
    EXPECT_TRUE(written.endsWith(expected)) << written.toStdString();
    EXPECT_EQ(changes[0].toObject()["key"].toString(), awkward);
}
