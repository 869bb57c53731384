// Tools benchmark on the embedded sample databases: "Clone" (a package of its own for one
// case rate; the sample's second case rate is put into the package of the first for it),
// "Check Duplicates" and "Delete Duplicates" (tbICDdiagMain with a surplus row added for every
// tenth row), and "Step1. Create table copies on" (the table backup), each on a fresh copy of
// the databases per run.
//
//   tools_bench [RUNS]   (default 5) every job in each configuration, each in a child process
//                        of its own (so that its peak memory is its own): the job as the tool
//                        makes it; the line-by-line reference where the job sends rows through
//                        set statements (the duplicates' log lines, a statement per line as
//                        they were written before); the physical limit (the rows the job reads
//                        read into memory and worked out there, nothing written); each without
//                        and with 1 ms slept before every statement
//   tools_bench --one JOB METHOD DELAY_MS FOLDER RUNS   one configuration, used by the driver
#include "BenchChild.h"
#include "Error.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "sampledb/SampleDatabases.h"
#include "tools/DuplicateCodes.h"
#include "tools/PackageClone.h"
#include "tools/TableBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <cstdio>
#include <vector>

using namespace orvex;

namespace {

const QStringList kJobs = {QStringLiteral("clone"), QStringLiteral("check-duplicates"),
                           QStringLiteral("delete-duplicates"), QStringLiteral("backup")};
const db::LogIdentity kWho{QStringLiteral("bench"), QStringLiteral("ws")};

// Where a line-by-line method exists: the jobs that send rows through set statements.
bool hasPerRow(const QString& job)
{
    return job.endsWith(QLatin1String("duplicates"));
}

void copySample(const QString& from, const QString& to)
{
    if (!bench::copySampleFiles(from, to,
                                {sampledb::kBuildFileDatabaseFile, sampledb::kMedicareDatabaseFile}))
        throw Error(QStringLiteral("cannot copy the sample databases from %1").arg(from));
}

// Every row of `sql` read into memory.
std::vector<QVariantList> readAll(db::Connection& connection, const QString& sql)
{
    std::vector<QVariantList> rows;
    QSqlQuery q = connection.exec(sql);
    const int columns = q.record().count();
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << q.value(c);
        rows.push_back(std::move(row));
    }
    return rows;
}

// A code of tbMed_MedicalCaseRates whose package other case rates share: what "Clone" splits.
QString sharedPackageCode(db::Connection& connection)
{
    QSqlQuery q = connection.exec(QStringLiteral(
        "select ICDCode from Medicare.tbMed_MedicalCaseRates where PackageID in (select PackageID from "
        "Medicare.tbMed_MedicalCaseRates group by PackageID having count(*) > 1) order by rowid limit 1"));
    if (!q.next())
        throw Error(QStringLiteral("the sample holds no shared package"));
    return q.value(0).toString();
}

// The physical limits: what the job reads, read whole and worked out in memory.
void cloneInMemory(db::Connection& connection, const QString& code)
{
    const auto caseRates = readAll(connection, QStringLiteral("select ICDCode, PackageID from "
                                                              "Medicare.tbMed_MedicalCaseRates"));
    const auto packages = readAll(connection, QStringLiteral("select PackageID from Medicare.tbMedPackage"));
    qint64 largest = 0;
    for (const QVariantList& p : packages)
        largest = std::max(largest, p[0].toLongLong());
    QString package;
    int sharing = 0;
    for (const QVariantList& c : caseRates) {
        if (package.isEmpty() && c[0].toString() == code)
            package = c[1].toString();
    }
    for (const QVariantList& c : caseRates)
        sharing += c[1].toString() == package ? 1 : 0;
    if (package.isEmpty() || sharing < 2 || largest == 0)
        throw Error(QStringLiteral("no package to split in memory"));
}

int duplicatesInMemory(db::Connection& connection)
{
    const auto rows = readAll(connection, QStringLiteral("select CODE, Description, ALLOWASPRIMARY from "
                                                         "Build_FILE.tbICDdiagMain"));
    QHash<QString, int> seen;
    int surplus = 0;
    for (const QVariantList& row : rows) {
        if (++seen[db::ciAsKey(row[0].toString())] > 1)
            ++surplus;
    }
    return surplus;
}

void backupInMemory(db::Connection& connection)
{
    qsizetype rows = 0;
    for (const char* table : {"tbMedPackage", "tbMed_MedicalCaseRates", "tbMed_Procedures"})
        rows += qsizetype(readAll(connection, QStringLiteral("select * from Medicare.%1").arg(table)).size());
    if (rows == 0)
        throw Error(QStringLiteral("nothing to copy"));
}

void runJob(const QString& job, bool limit, db::Connection& connection, const QString& code)
{
    const QDateTime when = QDateTime::currentDateTime();
    if (job == QLatin1String("clone")) {
        if (limit)
            return cloneInMemory(connection, code);
        tools::CloneParams params;
        params.code = code;
        params.log = kWho;
        if (tools::clonePackage(connection, params, when).outcome != tools::CloneResult::Outcome::Done)
            throw Error(QStringLiteral("the clone did not split %1").arg(code));
    } else if (job == QLatin1String("check-duplicates")) {
        if ((limit ? duplicatesInMemory(connection)
                   : int(tools::checkDuplicateIcdCodes(connection, kWho, when).size())) == 0)
            throw Error(QStringLiteral("no duplicates found"));
    } else if (job == QLatin1String("delete-duplicates")) {
        if ((limit ? duplicatesInMemory(connection)
                   : int(tools::deleteDuplicateIcdCodes(connection, kWho, when).size())) == 0)
            throw Error(QStringLiteral("no duplicates deleted"));
    } else if (limit) {
        backupInMemory(connection);
    } else {
        tools::TableBackupJob backup(tools::TableBackupParams{tools::kDefaultCopySuffix, false, kWho});
        jobs::JobContext context;
        context.existingConnection = &connection;
        const jobs::JobOutcome outcome = backup.run(context, {});
        if (!outcome.failures.isEmpty())
            throw Error(outcome.failures.join(QLatin1Char('\n')));
    }
}

// One configuration `runs` times; prints "statements median_s peak_kb".
int runOne(const QString& job, const QString& method, int delayMs, const QString& sample, int runs)
{
    std::vector<double> seconds;
    quint64 statements = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        copySample(sample, dir.path());
        db::ConnectionSettings settings;
        settings.embeddedFolder = dir.path();
        auto connection = db::Connection::open(settings);
        const QString code = job == QLatin1String("clone") ? sharedPackageCode(*connection) : QString();
        if (delayMs > 0)
            connection->setBeforeStatementHook([delayMs] { QThread::msleep(delayMs); });
        if (method == QLatin1String("per-row"))
            connection->setRowsPerSetStatement(1);
        const quint64 before = connection->statementsSent();
        QElapsedTimer clock;
        clock.start();
        runJob(job, method == QLatin1String("limit"), *connection, code);
        seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
        statements = connection->statementsSent() - before;
    }
    bench::printChildFigures(statements, std::move(seconds));
    return 0;
}

// What the jobs find to do in the sample: every tenth row of tbICDdiagMain once more (surplus
// rows for the duplicates), and the second case rate of tbMed_MedicalCaseRates in the package
// of the first (a package "Clone" splits).
void prepareSample(const QString& sample)
{
    db::ConnectionSettings settings;
    settings.embeddedFolder = sample;
    auto connection = db::Connection::open(settings);
    connection->exec(QStringLiteral(
        "insert into Build_FILE.tbICDdiagMain (CODE, Description, ALLOWASPRIMARY) select CODE, "
        "Description, ALLOWASPRIMARY from Build_FILE.tbICDdiagMain where rowid % 10 = 0"));
    connection->exec(
        QStringLiteral("update Medicare.tbMed_MedicalCaseRates set PackageID = (select PackageID "
                       "from Medicare.tbMed_MedicalCaseRates where rowid = 1) where rowid = 2"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() >= 7 && args[1] == QLatin1String("--one"))
            return runOne(args[2], args[3], args[4].toInt(), args[5], args[6].toInt());
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;

    QTemporaryDir sample;
    QTextStream out(stdout);
    bench::buildSampleDatabasesFor(sample.path(), runs, out);
    prepareSample(sample.path());
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg("job", -18)
               .arg("method", -8)
               .arg("delay", 6)
               .arg(bench::figureHeads());
    out.flush();
    QHash<QString, double> medians;
    for (const QString& job : kJobs) {
        for (int delay : {0, 1}) {
            for (const QString& method :
                 {QStringLiteral("sets"), QStringLiteral("per-row"), QStringLiteral("limit")}) {
                if (method == QLatin1String("per-row") && !hasPerRow(job))
                    continue;
                bench::ChildFigures f;
                QString error;
                if (!bench::runChild(
                        {"--one", job, method, QString::number(delay), sample.path(), QString::number(runs)},
                        f, error)) {
                    out << job << " " << method << " failed: " << error << "\n";
                    return 1;
                }
                medians.insert(job + method + QString::number(delay), f.medianSeconds);
                out << QStringLiteral("%1 %2 %3 %4\n")
                           .arg(job, -18)
                           .arg(method, -8)
                           .arg(QStringLiteral("%1 ms").arg(delay), 6)
                           .arg(bench::figureCells(f));
                out.flush();
            }
        }
    }
    out << "\nratios, same job and delay:\n";
    for (const QString& job : kJobs) {
        for (int delay : {0, 1}) {
            const QString d = QString::number(delay);
            const double sets = medians.value(job + "sets" + d);
            QString line = QStringLiteral("  %1, %2 ms: sets / limit %3x")
                               .arg(job)
                               .arg(delay)
                               .arg(sets / medians.value(job + "limit" + d), 0, 'f', 1);
            if (hasPerRow(job))
                line += QStringLiteral(", per-row / sets %1x")
                            .arg(medians.value(job + "per-row" + d) / sets, 0, 'f', 1);
            out << line << "\n";
        }
    }
    return 0;
}
