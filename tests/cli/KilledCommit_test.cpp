// A write killed anywhere in its commit leaves the two database files both as they were or
// both with the whole change: orvex-cli runs under strace, which kills it at its first
// unlink, its second, and so on, until it runs to the end. The commit deletes journal files,
// so some of those kills fall between the two files' journals.
#include "db/Connection.h"
#include "support/CliRun.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

#if defined(__x86_64__) || defined(__i386__)
const QString kUnlink = QStringLiteral("unlink"); // glibc's unlink() and SQLite's delete
#else
const QString kUnlink = QStringLiteral("unlinkat"); // architectures without the unlink call
#endif

// Why the kills cannot be made here, or empty.
QString noTracer()
{
#ifndef Q_OS_LINUX
    return QStringLiteral("the kill at an unlink needs strace, which runs on Linux only");
#else
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        return QStringLiteral("strace is not installed (scripts/install-deps.sh installs it)");
    QProcess probe;
    probe.start(strace, {"-f", "-qq", "-o", "/dev/null", "true"});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return QStringLiteral("strace cannot trace a process here (ptrace is not permitted): ") +
               QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
    return QString();
#endif
}

void copyFolder(const QString& from, const QString& to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(path);
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            ASSERT_TRUE(QFile::copy(path, target)) << target.toStdString();
    }
}

QStringList rowsOf(db::Connection& connection, const QString& table)
{
    QStringList rows;
    QSqlQuery q = connection.exec(QStringLiteral("select * from %1 order by rowid").arg(table));
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

// What a write changes in either file: the ICD, package and case-rate rows, and the number of
// activity-log entries (their times differ from run to run).
QStringList contents(const test::SmallDatabases& dbs)
{
    const std::unique_ptr<db::Connection> connection = db::Connection::open(dbs.settings());
    QStringList all;
    for (const char* table : {"Build_FILE.tbICDdiagMain", "Medicare.tbMedPackage",
                              "Medicare.tbMed_MedicalCaseRates", "Medicare.tbMed_Procedures"})
        all << QString::fromLatin1(table) << rowsOf(*connection, QString::fromLatin1(table));
    QSqlQuery logs = connection->exec(
        QStringLiteral("select count(*) from Build_FILE.sqlite_master where name = 'tbActivityLog'"));
    const bool hasLog = logs.next() && logs.value(0).toInt() > 0;
    all << QStringLiteral("log entries: %1")
               .arg(hasLog ? test::columnValues(*connection, QStringLiteral("select count(*) from "
                                                                            "Build_FILE.tbActivityLog"))
                                 .value(0)
                           : QStringLiteral("0"));
    return all;
}

QStringList journalsIn(const QString& folder)
{
    return QDir(folder).entryList({"*-journal", "*-mj*", "*-wal"}, QDir::Files);
}

// The databases and the program folder just before the write, restored before each kill.
class KillSweep
{
public:
    KillSweep(test::SmallDatabases& dbs, test::TempProgramFolder& program) : m_dbs(dbs), m_program(program)
    {
        copyFolder(m_dbs.folder(), m_saved.filePath(QStringLiteral("db")));
        copyFolder(m_program.path(), m_saved.filePath(QStringLiteral("program")));
        m_before = contents(m_dbs);
    }

    // Runs `args` once to the end, then once per unlink it makes, killed at that unlink.
    void run(const QStringList& args)
    {
        const QStringList cli = QStringList{"--workdir", m_program.path(), "--db", m_dbs.folder()} + args;
        ASSERT_TRUE(traced(cli, 0)) << "the write does not run to its end";
        const QStringList after = contents(m_dbs);
        ASSERT_NE(after, m_before) << "the write changes nothing";

        int killedBefore = 0;
        int killedAfter = 0;
        for (int unlink = 1; unlink < 100; ++unlink) {
            restore();
            if (traced(cli, unlink))
                break; // it makes fewer unlinks
            // The next open rolls back what a hot journal holds, and finishes the commit
            // whose super-journal is gone.
            const QStringList seen = contents(m_dbs);
            EXPECT_TRUE(seen == m_before || seen == after)
                << "killed at unlink " << unlink << ": one file holds the write, the other not:\n"
                << seen.join('\n').toStdString();
            EXPECT_EQ(journalsIn(m_dbs.folder()), QStringList()) << "killed at unlink " << unlink;
            EXPECT_EQ(contents(m_dbs), seen) << "killed at unlink " << unlink << ": the second open differs";
            killedBefore += seen == m_before;
            killedAfter += seen == after;
        }
        EXPECT_GT(killedBefore, 0) << "no kill fell before the commit";
        EXPECT_GT(killedAfter, 0) << "no kill fell after the commit";
    }

private:
    void restore()
    {
        copyFolder(m_saved.filePath(QStringLiteral("db")), m_dbs.folder());
        copyFolder(m_saved.filePath(QStringLiteral("program")), m_program.path());
    }

    // Runs orvex-cli under strace, killed at its `killAt`-th unlink (0: never); true when it
    // ran to its end with exit code 0.
    static bool traced(const QStringList& cli, int killAt)
    {
        QStringList args = {"-f", "-qq", "-o", "/dev/null"};
        if (killAt > 0)
            args << "-e" << QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(kUnlink).arg(killAt);
        QProcess process;
        // LeakSanitizer's check at exit attaches to the process with ptrace, which a process
        // traced by strace cannot allow; the sanitizer build would fail every run.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) +
                               QStringLiteral("detect_leaks=0"));
        process.setProcessEnvironment(environment);
        process.start(QStandardPaths::findExecutable(QStringLiteral("strace")),
                      args << test::binPath(QStringLiteral("orvex-cli")) << cli);
        EXPECT_TRUE(process.waitForFinished(120000)) << "orvex-cli " << cli.join(' ').toStdString();
        const bool finished = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (killAt == 0) {
            EXPECT_TRUE(finished) << process.readAllStandardError().toStdString();
        }
        return finished;
    }

    test::SmallDatabases& m_dbs;
    test::TempProgramFolder& m_program;
    QTemporaryDir m_saved;
    QStringList m_before;
};

class KilledCommit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = noTracer();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        if (!QFile::exists(test::binPath(QStringLiteral("orvex-cli"))))
            GTEST_SKIP() << "orvex-cli is not built";
    }

    // A PH scan that adds an ICD-10 code (Build_FILE), a package and two case rates (Medicare).
    void phScan()
    {
        dbs.addIcd("A00.0", "Cholera");
        test::writeBytes(program.path() + "/list.txt",
                         "|CHOLERA|||\r\nA00.0|Cholera|1,000|300|700\r\nB00|Herpes|||\r\n");
        ASSERT_EQ(
            test::runCliInProcess({"--db", dbs.folder(), "scan", "--ph", "--source", "list.txt"}).exitCode,
            0);
    }

    test::SmallDatabases dbs;
    test::TempProgramFolder program;
};

} // namespace

TEST_F(KilledCommit, applyOfAnUpdateRunIsWholeOrAbsent)
{
    test::fillForUpdateRun(dbs);
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);
    ASSERT_EQ(test::runCliInProcess({"--db", dbs.folder(), "update"}).exitCode, 0);
    KillSweep(dbs, program).run({"apply", "--yes"});
}

TEST_F(KilledCommit, applyOfAPhScanIsWholeOrAbsent)
{
    phScan();
    KillSweep(dbs, program).run({"apply", "--yes"});
}

TEST_F(KilledCommit, undoIsWholeOrAbsent)
{
    phScan();
    ASSERT_EQ(test::runCliInProcess({"--db", dbs.folder(), "apply", "--yes"}).exitCode, 0);
    KillSweep(dbs, program).run({"undo", "--last", "--yes"});
}
