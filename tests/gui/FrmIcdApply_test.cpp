// "Apply to database…" and "Undo last apply" on tab "Update 2024" driven like a user: the
// loop from Step 2 over the real 2024 lists on the sample databases to an applied run that
// the next Step 2 no longer finds, and back; and a refused apply that leaves the window
// usable.
#include "apply/ApplyRun.h"
#include "apply/UndoApply.h"
#include "gui/FrmIcd.h"

#include "WindowTestSupport.h"
#include "db/ActivityLog.h"
#include "review/ChangeClass.h"
#include "sampledb/SampleDatabases.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlQuery>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;
using review::ChangeClass;

namespace {

// A window on `settings` whose program folder holds the two lists of `listFolder`.
struct ApplyWindow
{
    GuiSeams seams;
    TempProgramFolder folder;
    std::unique_ptr<FrmIcd> window;

    void open(const db::ConnectionSettings& settings, const QString& listFolder)
    {
        for (const char* list : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            ASSERT_TRUE(QFile::copy(listFolder + QLatin1Char('/') + QLatin1String(list),
                                    folder.path() + QLatin1Char('/') + QLatin1String(list)));
        window = std::make_unique<FrmIcd>(seams.services(), settings);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QWidget* widget(const char* name) const { return control<QWidget>(*window, name); }
    bool clickAndWait(const char* name)
    {
        click(widget(name));
        return waitForScanEnd(*window);
    }
    bool applyAnswering(QMessageBox::StandardButton answer)
    {
        seams.queueAnswer(answer);
        return clickAndWait("cmdApply");
    }
    QByteArray output(const char* name) const { return readBytes(folder.outputFile(QLatin1String(name))); }
    review::RunRecord record() const
    {
        return review::readRunRecord(folder.outputFile(QString::fromUtf16(review::kRunRecordName)));
    }
};

bool hasCaseRate(db::Connection& connection, const jobs::Finding& newCode)
{
    const bool procedure = newCode.table->contains(QLatin1String("tbMed_Procedures"));
    QSqlQuery q = connection.exec(procedure ? QStringLiteral("select 1 from Medicare.tbMed_Procedures "
                                                             "where RVSCODE = ?")
                                            : QStringLiteral("select 1 from Medicare.tbMed_MedicalCaseRates "
                                                             "where ICDCode = ?"),
                                  {newCode.key.trimmed()});
    return q.next();
}

} // namespace

TEST(FrmIcdApply, step2ApplyStep2UndoStep2ClosesTheLoop)
{
    ApplyWindow w;
    db::ConnectionSettings settings;
    settings.embeddedFolder = w.folder.path() + QStringLiteral("/db");
    sampledb::buildSampleDatabases(settings.embeddedFolder, false);
    ASSERT_NO_FATAL_FAILURE(w.open(settings, sourcePath(QStringLiteral("data/philhealth-caserates-2024"))));
    EXPECT_FALSE(w.widget("cmdApply")->isEnabled()) << "no run recorded yet";
    EXPECT_FALSE(w.widget("cmdUndoApply")->isEnabled()) << "nothing applied yet";

    ASSERT_TRUE(w.clickAndWait("cmdProcess"));
    ASSERT_TRUE(w.widget("cmdApply")->isEnabled());
    const review::RunRecord first = w.record();
    QMap<QString, QByteArray> firstFiles;
    for (const char* file : {"script.txt", "scriptPH.txt", "changes.csv"})
        firstFiles.insert(QLatin1String(file), w.output(file));
    const apply::ApplyCounts counts = apply::countChanges(first);
    ASSERT_GT(counts.newCodes, 0);
    ASSERT_GT(counts.rateChanges, 0);
    const auto newCode = std::find_if(first.changes.begin(), first.changes.end(), [](const jobs::Finding& f) {
        return review::classOf(f) == ChangeClass::NewCode;
    });
    auto connection = db::Connection::open(settings);
    EXPECT_FALSE(hasCaseRate(*connection, *newCode));

    w.seams.openedFolders.clear();
    w.seams.clearShown();
    ASSERT_TRUE(w.applyAnswering(QMessageBox::Yes));
    const QStringList shown = w.seams.messages();
    ASSERT_EQ(shown.size(), 2) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown[0].contains(first.runId) && shown[0].contains(first.database) &&
                shown[0].contains(counts.text()))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[1].startsWith(
        QStringLiteral("Applied run %1 in one transaction: %2.").arg(first.runId, counts.text())))
        << shown[1].toStdString();
    EXPECT_TRUE(w.widget("cmdUndoApply")->isEnabled());
    EXPECT_TRUE(hasCaseRate(*connection, *newCode)) << newCode->key.toStdString();
    const QList<db::ActivityLogEntry> log = db::ActivityLog(*connection).last(0);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const db::ActivityLogEntry& e) {
        return e.text.startsWith(QStringLiteral("Apply of update run ") + first.runId);
    }));

    ASSERT_TRUE(w.clickAndWait("cmdProcess"));
    const review::RunRecord second = w.record();
    EXPECT_NE(second.runId, first.runId);
    EXPECT_EQ(apply::countChanges(second).total(), 0) << apply::countChanges(second).text().toStdString();

    const QString undoFile = apply::lastUndoFile(w.folder.path() + QStringLiteral("/output"));
    ASSERT_FALSE(undoFile.isEmpty());
    const apply::UndoPlan plan = apply::readUndoPlan(undoFile);
    w.seams.clearShown();
    w.seams.queueAnswer(QMessageBox::Yes);
    ASSERT_TRUE(w.clickAndWait("cmdUndoApply"));
    const QStringList undone = w.seams.messages();
    ASSERT_EQ(undone.size(), 2) << undone.join('\n').toStdString();
    EXPECT_TRUE(undone[0].contains(QFileInfo(undoFile).fileName()) && undone[0].contains(plan.text()))
        << undone[0].toStdString();
    EXPECT_EQ(undone[1], QStringLiteral("Undone: run %1, %2 rows restored, %3 rows removed.")
                             .arg(first.runId)
                             .arg(plan.restoredRows)
                             .arg(plan.removedRows));
    EXPECT_FALSE(hasCaseRate(*connection, *newCode));
    EXPECT_FALSE(w.widget("cmdUndoApply")->isEnabled()) << "that apply is undone";

    ASSERT_TRUE(w.clickAndWait("cmdProcess"));
    const review::RunRecord third = w.record();
    EXPECT_TRUE(third.changes == first.changes) << "the third run finds what the first found";
    for (const char* file : {"script.txt", "scriptPH.txt", "changes.csv"})
        EXPECT_EQ(w.output(file), firstFiles.value(QLatin1String(file))) << file;
}

TEST(FrmIcdApply, aStoppedRunIsAppliedOnlyAfterAQuestionThatSaysSo)
{
    ApplyWindow w;
    SmallDatabases dbs;
    fillForUpdateRun(dbs);
    ASSERT_NO_FATAL_FAILURE(w.open(dbs.settings(), fixturePath(QStringLiteral("update-run"))));
    {
        HoldScanAtLine hold(*w.window, 1);
        click(w.widget("cmdProcess"));
        ASSERT_TRUE(hold.waitUntilHeld());
        click(w.widget("cmdProcess")); // "Stop"
        ASSERT_TRUE(waitForScanEnd(*w.window));
    }
    ASSERT_EQ(w.record().completeness.completion, review::RunCompletion::Stopped);
    auto connection = db::Connection::open(dbs.settings());
    auto logSize = [&] { return db::ActivityLog(*connection).last(0).size(); };
    const qsizetype before = logSize();

    w.seams.clearShown();
    ASSERT_TRUE(w.applyAnswering(QMessageBox::No));
    ASSERT_EQ(w.seams.messages().size(), 1);
    const QString question = w.seams.messages()[0];
    EXPECT_TRUE(question.contains(QLatin1String("The run was stopped before its end and did not read lines 2 "
                                                "to ")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QLatin1String("No backup was made today"))) << question.toStdString();
    EXPECT_EQ(logSize(), before);

    w.seams.clearShown();
    ASSERT_TRUE(w.applyAnswering(QMessageBox::Yes));
    ASSERT_EQ(w.seams.messages().size(), 2) << w.seams.messages().join('\n').toStdString();
    EXPECT_TRUE(w.seams.messages()[1].startsWith(QLatin1String("Applied run ")))
        << w.seams.messages()[1].toStdString();
    EXPECT_GT(logSize(), before);
}

TEST(FrmIcdApply, aRefusedOrDeclinedApplyChangesNothingAndLeavesTheWindowUsable)
{
    ApplyWindow w;
    SmallDatabases dbs;
    fillForUpdateRun(dbs);
    ASSERT_NO_FATAL_FAILURE(w.open(dbs.settings(), fixturePath(QStringLiteral("update-run"))));
    ASSERT_TRUE(w.clickAndWait("cmdProcess"));
    auto connection = db::Connection::open(dbs.settings());
    auto logSize = [&] { return db::ActivityLog(*connection).last(0).size(); };

    const qsizetype before = logSize();
    ASSERT_TRUE(w.applyAnswering(QMessageBox::No));
    EXPECT_EQ(logSize(), before) << "declined: nothing ran";
    ASSERT_TRUE(w.applyAnswering(QMessageBox::Yes));
    const qsizetype applied = logSize();
    EXPECT_GT(applied, before);

    // Refused before anything is asked.
    w.seams.clearShown();
    ASSERT_TRUE(w.applyAnswering(QMessageBox::Yes));
    const QStringList shown = w.seams.messages();
    ASSERT_EQ(shown.size(), 1) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown[0].contains(QLatin1String("applied already"))) << shown[0].toStdString();
    EXPECT_EQ(logSize(), applied);
    for (const char* name : {"cmdApply", "cmdProcess", "cmdScan", "cmdBackUPTables"})
        EXPECT_TRUE(w.widget(name)->isEnabled()) << name;

    // A record that cannot be read is named before anything is asked.
    writeBytes(w.folder.outputFile(QString::fromUtf16(review::kRunRecordName)), "{ not json");
    w.seams.clearShown();
    ASSERT_TRUE(w.clickAndWait("cmdApply"));
    ASSERT_EQ(w.seams.messages().size(), 1);
    EXPECT_TRUE(w.seams.messages()[0].contains(QLatin1String("changes.json")))
        << w.seams.messages()[0].toStdString();
    EXPECT_TRUE(w.widget("cmdProcess")->isEnabled());
}

// The window applies the record its question named: one changed while the question was
// read is refused, though it still holds what the run gives.
TEST(FrmIcdApply, aRecordChangedWhileTheQuestionIsReadIsNotApplied)
{
    ApplyWindow w;
    SmallDatabases dbs;
    fillForUpdateRun(dbs);
    ASSERT_NO_FATAL_FAILURE(w.open(dbs.settings(), fixturePath(QStringLiteral("update-run"))));
    ASSERT_TRUE(w.clickAndWait("cmdProcess"));
    auto connection = db::Connection::open(dbs.settings());
    auto logSize = [&] { return db::ActivityLog(*connection).last(0).size(); };
    const qsizetype before = logSize();

    const QString path = w.folder.outputFile(QString::fromUtf16(review::kRunRecordName));
    w.seams.onShown = [&](const QString& text) {
        if (text.startsWith(QLatin1String("Apply the ")))
            writeBytes(path, QJsonDocument::fromJson(readBytes(path)).toJson(QJsonDocument::Compact));
    };
    w.seams.clearShown();
    ASSERT_TRUE(w.applyAnswering(QMessageBox::Yes));
    w.seams.onShown = {};
    const QStringList shown = w.seams.messages();
    ASSERT_EQ(shown.size(), 2) << shown.join('\n').toStdString();
    EXPECT_TRUE(
        shown[1].contains(QLatin1String("nothing was changed: the run record changed since its review")))
        << shown[1].toStdString();
    EXPECT_EQ(logSize(), before);
    EXPECT_TRUE(w.widget("cmdApply")->isEnabled());
}
