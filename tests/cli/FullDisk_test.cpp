// Runs on a disk that really fills up: the output folder is a small tmpfs in a mount
// namespace of the run's own (unshare, Linux only), so nothing outside the test is touched.
#include "support/CliRun.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex::test;

namespace {
#ifdef Q_OS_LINUX
const QByteArray kUnfinished =
    "-- The run that wrote this script did not finish: the script is incomplete and must not be run.\r\n";

// Runs orvex-cli with `args` in `program`, whose output folder is a tmpfs of `size`; what the
// run left there is copied to `saved`. Exit 77: no namespace or mount for this user.
int runOnSmallDisk(const QString& program, const QString& size, const QStringList& args, const QString& saved,
                   QByteArray& err)
{
    const QString script = QStringLiteral("mount -t tmpfs -o size=\"$1\" tmpfs \"$2/output\" || exit 77\n"
                                          "shift 2; saved=\"$1\"; shift\n"
                                          "\"$@\"; rc=$?\n"
                                          "cp -a \"$OUT/.\" \"$saved/\"; exit $rc\n");
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OUT"), program + QStringLiteral("/output"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("unshare"), QStringList{"-rm", "sh", "-c", script, "sh", size, program,
                                                         saved, binPath("orvex-cli"), "--workdir", program} +
                                                 args);
    if (!process.waitForFinished(120000))
        return -1;
    err = process.readAllStandardError();
    return process.exitCode();
}
#endif
} // namespace

TEST(FullDisk, theUpdateRunNamesItAndLeavesNoScriptThatLooksComplete)
{
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "mount namespaces are Linux only";
#else
    if (QStandardPaths::findExecutable("unshare").isEmpty() || !QFile::exists(binPath("orvex-cli")))
        GTEST_SKIP() << "no unshare, or orvex-cli is not built";
    TempProgramFolder program;
    ASSERT_EQ(runCliInProcess({"--workdir", program.path(), "db", "init"}).exitCode, 0);
    for (const QString name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        ASSERT_TRUE(
            QFile::copy(sourcePath("data/philhealth-caserates-2024/" + name), program.path() + '/' + name));
    QTemporaryDir saved;
    QByteArray err;
    const int exitCode = runOnSmallDisk(program.path(), "192k",
                                        {"update", "--ver-b", "--update-descriptions"}, saved.path(), err);
    if (exitCode == 77)
        GTEST_SKIP() << "no mount namespace here: " << err.toStdString();
    EXPECT_EQ(exitCode, 5) << err.toStdString(); // a file error
    EXPECT_TRUE(err.contains("No space left on device")) << err.toStdString();
    EXPECT_FALSE(err.contains("Unknown error")) << err.toStdString();

    const QDir left(saved.path());
    EXPECT_EQ(
        left.entryList({"*.part", "changes.json", "report.html", "changes.csv"}, QDir::Files | QDir::Hidden),
        QStringList());
    for (const QString& name : left.entryList({"*.txt"}, QDir::Files)) {
        const QByteArray bytes = readBytes(left.filePath(name));
        EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n")) << name.toStdString() << " is cut off";
    }
    for (const char* name : {"script.txt", "scriptPH.txt"}) {
        // A script is kept only behind the line that says not to run it.
        EXPECT_TRUE(!left.exists(name) || readBytes(left.filePath(name)).startsWith(kUnfinished)) << name;
    }
#endif
}
