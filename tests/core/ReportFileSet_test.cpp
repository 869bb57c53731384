#include "Error.h"
#include "platform/ProgramFolder.h"
#include "report/ReportFileSet.h"
#include "support/FileSizeLimit.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orvex::report;
using namespace orvex::test;

namespace {
constexpr std::array<Slot, kSlotCount> kAllSlots = {Slot::LogFile,
                                                    Slot::NewCodeFile,
                                                    Slot::ScriptFile,
                                                    Slot::ScriptPHFile,
                                                    Slot::SameCodeDiffDescFile,
                                                    Slot::SameCodeDiffDescScriptFile,
                                                    Slot::SameDescDiffCodeFile,
                                                    Slot::DiffCodeDescFile};

QByteArray golden(const QString& name)
{
    return readBytes(fixturePath(QStringLiteral("report-files/") + name));
}

QByteArray contentOf(const ReportFileSet& set, Slot slot)
{
    return readBytes(set.path(slot));
}

// Anything an earlier run left in every file of the folder.
void fillOutputFolderWithOldContent(const TempProgramFolder& folder)
{
    for (const Slot slot : kAllSlots)
        writeBytes(folder.outputFile(slotFileName(slot)), "old\r\n");
}

bool anyOpen(const ReportFileSet& set)
{
    return std::any_of(kAllSlots.begin(), kAllSlots.end(), [&](Slot s) { return set.isOpen(s); });
}

std::string messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const orvex::Error& e) {
        return e.message().toStdString();
    }
    return {};
}
} // namespace

TEST(ReportFileSet, fileNamesInTheOutputFolder)
{
    TempProgramFolder folder;
    ReportFileSet set;
    const QStringList expected = {"ICD Parser Log.txt",
                                  "New Code.txt",
                                  "script.txt",
                                  "scriptPH.txt",
                                  "SameCodediffdesc.txt",
                                  "SameCodeDiffDesc Script.txt",
                                  "Same description different code.txt",
                                  "Different Code and Description.txt"};
    for (int i = 0; i < kSlotCount; ++i) {
        const Slot slot = kAllSlots[i];
        EXPECT_EQ(slotFileName(slot), expected[i]);
        EXPECT_EQ(set.path(slot), folder.outputFile(expected[i]));
        // The window's "\Output" and the reports' "\output" are one folder.
        EXPECT_EQ(QFileInfo(orvex::ProgramFolder::resolve("\\Output\\" + expected[i])).absoluteFilePath(),
                  QFileInfo(set.path(slot)).absoluteFilePath());
    }
    EXPECT_EQ(set.fixFormatPath(), folder.outputFile("OutputICDFile2.txt"));
}

TEST(ReportFileSet, scanFilesStartWithTheirHeaders)
{
    TempProgramFolder folder;
    fillOutputFolderWithOldContent(folder);
    ReportFileSet set;
    set.openScanFiles(false);
    for (const Slot slot : kAllSlots)
        EXPECT_EQ(set.isOpen(slot), slot != Slot::ScriptPHFile) << slotFileName(slot).toStdString();
    set.closeAll();
    EXPECT_FALSE(anyOpen(set));

    EXPECT_EQ(contentOf(set, Slot::ScriptFile), golden("use-build-file-header.golden"));
    EXPECT_EQ(contentOf(set, Slot::SameCodeDiffDescScriptFile), golden("use-build-file-header.golden"));
    for (const Slot slot : {Slot::NewCodeFile, Slot::SameCodeDiffDescFile, Slot::SameDescDiffCodeFile,
                            Slot::DiffCodeDescFile}) {
        EXPECT_TRUE(QFileInfo::exists(set.path(slot)));
        EXPECT_EQ(contentOf(set, slot), QByteArray()) << slotFileName(slot).toStdString();
    }
    EXPECT_EQ(contentOf(set, Slot::LogFile), "old\r\n");      // appended to, never deleted
    EXPECT_EQ(contentOf(set, Slot::ScriptPHFile), "old\r\n"); // an ICD scan leaves it alone
}

TEST(ReportFileSet, phModeAddsScriptPH)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.openScanFiles(true);
    EXPECT_TRUE(set.isOpen(Slot::ScriptPHFile));
    set.writeLine(Slot::ScriptPHFile, QString());
    set.writeLine(Slot::ScriptPHFile, "update  [Medicare].[dbo].[tbMedPackage] set [Amount]='11700'");
    set.writeLine(Slot::ScriptPHFile, QString());
    set.closeAll();
    EXPECT_EQ(contentOf(set, Slot::ScriptPHFile), golden("scriptPH-ph-run.golden"));
}

TEST(ReportFileSet, twoScansKeepTheLogAndOnlyTheLog)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.openScanFiles(false);
    set.writeLine(Slot::LogFile, QString::fromUtf16(u"first run: Sch\u00F6nlein\u2019s"));
    set.writeLine(Slot::NewCodeFile, "A00.0 - first");
    set.closeAll();

    set.openScanFiles(false);
    set.writeLine(Slot::LogFile, QString());
    set.writeLine(Slot::LogFile, QString::fromUtf16(u"second run \u20AC 5"));
    set.writeLine(Slot::NewCodeFile, "A00.1 - second");
    set.closeAll();

    EXPECT_EQ(contentOf(set, Slot::LogFile), golden("log-two-runs.golden"));
    EXPECT_EQ(contentOf(set, Slot::NewCodeFile), "A00.1 - second\r\n");
}

TEST(ReportFileSet, updateRunEmptiesTheLog)
{
    TempProgramFolder folder;
    fillOutputFolderWithOldContent(folder);
    ReportFileSet set;
    set.openUpdateFiles(true);
    for (const Slot slot : kAllSlots)
        EXPECT_TRUE(set.isOpen(slot)) << slotFileName(slot).toStdString();
    set.closeAll();
    EXPECT_EQ(contentOf(set, Slot::LogFile), QByteArray());
    EXPECT_EQ(contentOf(set, Slot::ScriptPHFile), golden("use-medicare-header.golden"));
    EXPECT_EQ(contentOf(set, Slot::ScriptFile), golden("use-build-file-header.golden"));
    EXPECT_EQ(contentOf(set, Slot::NewCodeFile), QByteArray());
}

TEST(ReportFileSet, icdScanAfterPhScanLeavesScriptPH)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.openScanFiles(true);
    set.writeLine(Slot::ScriptPHFile, "PH statement");
    set.closeAll();
    const QByteArray phScript = contentOf(set, Slot::ScriptPHFile);

    set.openScanFiles(false);
    EXPECT_FALSE(set.isOpen(Slot::ScriptPHFile));
    set.writeLine(Slot::ScriptPHFile, "ignored: the slot is not open");
    set.closeAll();
    EXPECT_EQ(contentOf(set, Slot::ScriptPHFile), phScript);
    EXPECT_EQ(phScript, golden("use-medicare-header.golden") + "PH statement\r\n");
}

TEST(ReportFileSet, openingAgainReleasesFilesOfAnInterruptedRun)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.openScanFiles(false);
    set.writeLine(Slot::LogFile, "interrupted");
    set.openScanFiles(false); // no close in between
    set.writeLine(Slot::LogFile, "next");
    set.closeAll();
    EXPECT_EQ(contentOf(set, Slot::LogFile), "interrupted\r\nnext\r\n");
}

TEST(ReportFileSet, failingOpenNamesTheFileAndClosesTheRest)
{
    TempProgramFolder folder;
    // A folder where a report file should be: it can be neither deleted quietly nor opened.
    ASSERT_TRUE(QDir(folder.path()).mkpath("output/Same description different code.txt"));
    ReportFileSet set;
    const std::string message = messageOf([&] { set.openScanFiles(false); });
    EXPECT_NE(message.find("Same description different code.txt"), std::string::npos) << message;
    EXPECT_FALSE(anyOpen(set));

    const std::string update = messageOf([&] { set.openUpdateFiles(true); });
    EXPECT_NE(update.find("Same description different code.txt"), std::string::npos) << update;
    EXPECT_FALSE(anyOpen(set));
}

TEST(ReportFileSet, oneRunAtATimePerOutputFolder)
{
    TempProgramFolder folder;
    ReportFileSet first;
    first.openScanFiles(true);
    first.writeLine(Slot::NewCodeFile, "first run");
    ReportFileSet second;
    const std::string message = messageOf([&] { second.openUpdateFiles(true); });
    EXPECT_NE(message.find("Another run is writing its reports to the output folder " +
                           QDir::toNativeSeparators(folder.path() + "/output").toStdString()),
              std::string::npos)
        << message;
    EXPECT_FALSE(anyOpen(second));
    EXPECT_THROW(second.openFixFormatFile(), orvex::Error);
    first.writeLine(Slot::LogFile, "first log");
    first.closeAll();
    EXPECT_EQ(contentOf(first, Slot::NewCodeFile), "first run\r\n");
    EXPECT_EQ(contentOf(first, Slot::LogFile), "first log\r\n");
    // Once the first run has closed its set, the next one may open.
    EXPECT_NO_THROW(second.openScanFiles(false));
    second.closeUnfinished();
    EXPECT_NO_THROW(first.openScanFiles(false));
}

TEST(ReportFileSet, failureIsRecordedInTheLog)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.openScanFiles(false);
    set.recordFailure("The scan stopped at line 7: disk full.");
    set.closeUnfinished();
    EXPECT_EQ(contentOf(set, Slot::LogFile), "*** The run stopped before its end; the other reports are "
                                             "incomplete. The scan stopped at line 7: disk full.\r\n");
    EXPECT_NO_FATAL_FAILURE(set.recordFailure("ignored: the set is closed"));
}

TEST(ReportFileSet, updateRunDoesWithoutDiffCodeDescFile)
{
    TempProgramFolder folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath("output/Different Code and Description.txt"));
    ReportFileSet set;
    EXPECT_NO_THROW(set.openUpdateFiles(true));
    EXPECT_FALSE(set.isOpen(Slot::DiffCodeDescFile));
    EXPECT_TRUE(set.isOpen(Slot::SameDescDiffCodeFile));
    EXPECT_NO_THROW(set.writeLine(Slot::DiffCodeDescFile, "ignored"));
    EXPECT_NO_THROW(set.closeAll());

    // The scan has no such guard.
    const std::string message = messageOf([&] { set.openScanFiles(false); });
    EXPECT_NE(message.find("Different Code and Description.txt"), std::string::npos) << message;
    EXPECT_FALSE(anyOpen(set));
}

TEST(ReportFileSet, missingOutputFolderFailsAtTheLog)
{
    TempProgramFolder folder;
    ASSERT_TRUE(QDir(folder.path() + "/output").removeRecursively());
    ReportFileSet set;
    const std::string message = messageOf([&] { set.openScanFiles(false); });
    EXPECT_NE(message.find("ICD Parser Log.txt"), std::string::npos) << message;
    EXPECT_FALSE(anyOpen(set));
}

TEST(ReportFileSet, aFullDiskLeavesNoCutOffFileAndNamesTheReason)
{
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "the file size limit is Linux only";
#else
    TempProgramFolder folder;
    writeBytes(folder.outputFile("ICD Parser Log.txt"), "earlier run\r\n");
    ReportFileSet set;
    set.openScanFiles(true);
    set.writeLine(Slot::LogFile, "this run");
    set.writeLine(Slot::NewCodeFile, "A00.0   Cholera");
    for (int i = 0; i < 200; ++i)
        set.writeLine(Slot::ScriptPHFile, "UPDATE [Medicare].[dbo].[tbMedPackage] SET [Amount]='90675' WHERE "
                                          "PackageID = '7'");
    std::string message;
    {
        const FileSizeLimit fullAfter(4096); // scriptPH.txt holds more than that
        message = messageOf([&] { set.closeAll(); });
    }
    // A write cut short names no reason of its own; the next one does.
    EXPECT_NE(message.find("scriptPH.txt\": File too large"), std::string::npos) << message;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    EXPECT_FALSE(anyOpen(set));
    EXPECT_FALSE(QFileInfo::exists(set.path(Slot::ScriptPHFile))); // never a script cut off mid-line
    EXPECT_EQ(
        contentOf(set, Slot::LogFile),
        "earlier run\r\nthis run\r\n*** The run stopped before its end; the other reports are incomplete. " +
            QByteArray::fromStdString(message) + "\r\n");
    EXPECT_EQ(contentOf(set, Slot::NewCodeFile), "A00.0   Cholera\r\n");
    EXPECT_EQ(
        contentOf(set, Slot::ScriptFile),
        QByteArray(
            "-- The run that wrote this script did not finish: the script is incomplete and must not be "
            "run.\r\n") +
            golden("use-build-file-header.golden"));
    EXPECT_EQ(QDir(folder.outputFile(QString())).entryList({"*.part"}, QDir::Files | QDir::Hidden),
              QStringList());

    // Many lines: the failure shows at a write, once the buffer must go to the disk; the log
    // then stays as the earlier runs left it.
    const QByteArray logBefore = contentOf(set, Slot::LogFile);
    set.openScanFiles(false);
    std::string atWrite;
    {
        const FileSizeLimit fullAfter(logBefore.size() + 100);
        atWrite = messageOf([&] {
            for (int i = 0; i < 100000; ++i)
                set.writeLine(Slot::LogFile, QStringLiteral("line %1 of a long run").arg(i));
        });
        set.recordFailure(QString::fromStdString(atWrite));
        set.closeUnfinished();
    }
    EXPECT_NE(atWrite.find("ICD Parser Log.txt\": File too large"), std::string::npos) << atWrite;
    EXPECT_FALSE(anyOpen(set));
    EXPECT_EQ(contentOf(set, Slot::LogFile), logBefore);
#endif
}

TEST(ReportFileSet, filesTakeTheirPlacesOnlyWhenTheRunFinishes)
{
    TempProgramFolder folder;
    writeBytes(folder.outputFile("scriptPH.txt"), "an earlier run's script\r\n");
    ReportFileSet set;
    set.openUpdateFiles(true);
    set.writeLine(Slot::ScriptPHFile,
                  "UPDATE [Medicare].[dbo].[tbMedPackage] SET [Amount]='90675' WHERE PackageID = '7'");
    set.writeLine(Slot::SameCodeDiffDescFile, "half a report");
    // Meanwhile no file of this run stands in the folder, nor an earlier run's that would pass for it.
    EXPECT_FALSE(QFileInfo::exists(set.path(Slot::ScriptPHFile)));
    EXPECT_FALSE(QFileInfo::exists(set.path(Slot::SameCodeDiffDescFile)));
    set.closeUnfinished(); // a run that did not finish
    const QByteArray unfinished =
        "-- The run that wrote this script did not finish: the script is incomplete and must not be run.\r\n";
    EXPECT_EQ(contentOf(set, Slot::ScriptPHFile),
              unfinished + golden("use-medicare-header.golden") +
                  "UPDATE [Medicare].[dbo].[tbMedPackage] SET [Amount]='90675' WHERE PackageID = '7'\r\n");
    EXPECT_EQ(contentOf(set, Slot::ScriptFile), unfinished + golden("use-build-file-header.golden"));
    EXPECT_EQ(contentOf(set, Slot::SameCodeDiffDescFile), "half a report\r\n");
    EXPECT_EQ(QDir(folder.outputFile(QString())).entryList({"*.part"}, QDir::Files | QDir::Hidden),
              QStringList());

    set.openUpdateFiles(true);
    set.writeLine(Slot::ScriptPHFile, "finished");
    set.closeAll();
    EXPECT_EQ(contentOf(set, Slot::ScriptPHFile), golden("use-medicare-header.golden") + "finished\r\n");
}

TEST(ReportFileSet, aLineBreakInsideALineIsWrittenAsABlank)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.openScanFiles(false);
    set.writeLine(Slot::NewCodeFile, "A1   x\nGO\r\nDROP TABLE tbX8\ry");
    set.writeLine(Slot::NewCodeFile, "A2   plain");
    set.closeAll();
    EXPECT_EQ(contentOf(set, Slot::NewCodeFile), "A1   x GO  DROP TABLE tbX8 y\r\nA2   plain\r\n");
}

#ifdef Q_OS_UNIX
TEST(ReportFileSet, aScanNeverAppendsToTheLogThroughALink)
{
    TempProgramFolder folder;
    const QString elsewhere = folder.path() + "/elsewhere.txt";
    writeBytes(elsewhere, "someone else's file\r\n");
    const QString log = folder.outputFile("ICD Parser Log.txt");
    ASSERT_TRUE(QFile::link(elsewhere, log));
    ReportFileSet set;
    const std::string message = messageOf([&] { set.openScanFiles(false); });
    EXPECT_NE(message.find(QDir::toNativeSeparators(log).toStdString() + "\" is a link to \""),
              std::string::npos)
        << message;
    EXPECT_FALSE(anyOpen(set));
    EXPECT_EQ(readBytes(elsewhere), "someone else's file\r\n");
}
#endif

TEST(ReportFileSet, quietCloseIsSafeAnyTime)
{
    TempProgramFolder folder;
    ReportFileSet set;
    set.closeUnfinished();
    EXPECT_NO_THROW(set.closeAll());
    set.openScanFiles(true);
    set.writeLine(Slot::NewCodeFile, "kept");
    set.closeUnfinished();
    set.closeUnfinished();
    EXPECT_FALSE(anyOpen(set));
    EXPECT_EQ(contentOf(set, Slot::NewCodeFile), "kept\r\n");
}

TEST(ReportFileSet, destructorWritesAndCloses)
{
    TempProgramFolder folder;
    {
        ReportFileSet set;
        set.openUpdateFiles(true);
        set.writeLine(Slot::SameCodeDiffDescFile, "A00.0 - Cholera");
    }
    EXPECT_EQ(readBytes(folder.outputFile("SameCodediffdesc.txt")), "A00.0 - Cholera\r\n");
}

TEST(ReportFileSet, fixFormatFileIsEmptiedAndRewritten)
{
    TempProgramFolder folder;
    writeBytes(folder.outputFile("OutputICDFile2.txt"), "earlier content\r\n");
    ReportFileSet set;
    set.writeFixFormatLine("ignored: not open");
    set.openFixFormatFile();
    EXPECT_TRUE(set.isFixFormatFileOpen());
    set.writeFixFormatLine("A00.0|Cholera");
    set.writeFixFormatLine(".");
    set.closeFixFormatFile();
    EXPECT_FALSE(set.isFixFormatFileOpen());
    EXPECT_EQ(readBytes(set.fixFormatPath()), "A00.0|Cholera\r\n.\r\n");
}

TEST(ReportFileSet, deleteFileQuietly)
{
    TempProgramFolder folder;
    const QString file = folder.outputFile("New Code.txt");
    writeBytes(file, "x");
    deleteFileQuietly(file);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_NO_THROW(deleteFileQuietly(file)); // no longer there
    EXPECT_NO_THROW(deleteFileQuietly(QString()));
    EXPECT_NO_THROW(deleteFileQuietly(folder.path() + "/no such folder/x.txt"));
    deleteFileQuietly(folder.path() + "/output"); // a folder is not removed
    EXPECT_TRUE(QFileInfo(folder.path() + "/output").isDir());
}

TEST(ReportFileSet, openFileKeepsItsPathWhenTheProgramFolderChanges)
{
    TempProgramFolder first;
    ReportFileSet set;
    set.openScanFiles(false);
    const QString opened = first.outputFile("script.txt");
    {
        TempProgramFolder second;
        EXPECT_EQ(set.path(Slot::ScriptFile), opened);
        EXPECT_EQ(set.path(Slot::ScriptPHFile), second.outputFile("scriptPH.txt")); // not open
        set.writeLine(Slot::ScriptFile, "INSERT ...");
        set.closeAll();
        EXPECT_EQ(set.path(Slot::ScriptFile), second.outputFile("script.txt"));
    }
    EXPECT_EQ(readBytes(opened), golden("use-build-file-header.golden") + "INSERT ...\r\n");
}
