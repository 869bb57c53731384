// Update run benchmark ("Step 2. Create update scripts"): both passes over the real 2024
// rate lists "ICD PH 2024.txt" and "ICD PH 2024_PROCEDURE.txt" (8,923 lines) with Ver B and
// description updates, against the embedded sample database, with batched and line-by-line
// lookups, without and with a simulated network round trip of 1 ms per statement; beside
// them the physical limit: both lists and the tables read into memory and compared there.
//
//   update_bench [RUNS]     runs every configuration (each in a child process, so that its
//                           peak memory is its own) and prints a table and the ratios
//   update_bench --one ...  one configuration, used by the driver
#include "BenchChild.h"
#include "caserates/RateFileLine.h"
#include "caserates/RateLookups.h"
#include "caserates/UpdateRunJob.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "platform/ProgramFolder.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "sampledb/SampleDatabases.h"
#include "text/DescriptionMatch.h"
#include "text/Numbers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

using namespace orvex;

namespace {

const QStringList kRateFiles = {QStringLiteral("ICD PH 2024.txt"),
                                QStringLiteral("ICD PH 2024_PROCEDURE.txt")};

// The physical limit of the run: both lists read and parsed, the case-rate, package and
// new-style tables read whole into memory (the first row of a key wins, keys compared as the
// tables compare them), and every line compared there. The benchmark's own reads, not the
// tool's statements. Returns the statements sent.
quint64 inMemoryRun(db::Connection& connection, const QString& programFolder)
{
    const quint64 before = connection.statementsSent();
    struct CaseRate
    {
        QString description;
        QString packageId;
    };
    struct Package
    {
        double amount, pf, medRoomBoard;
    };
    const auto caseRates = [&](const char* table, const char* key) {
        QHash<QString, CaseRate> rows;
        QSqlQuery q = connection.exec(
            QStringLiteral("select %1, Description, PackageID from Medicare.%2 order by rowid")
                .arg(key, table));
        while (q.next()) {
            const QString k = db::ciAsKey(q.value(0).toString());
            if (!rows.contains(k))
                rows.insert(k, {q.value(1).toString(), q.value(2).toString()});
        }
        return rows;
    };
    QHash<QString, Package> packages;
    QSqlQuery p = connection.exec(QStringLiteral(
        "select PackageID, Amount, PF, MedRoomBoard from Medicare.tbMedPackage order by rowid"));
    while (p.next()) {
        const QString k = db::ciAsKey(p.value(0).toString());
        if (!packages.contains(k))
            packages.insert(k, {numbers::leadingNumber(p.value(1).toString()),
                                numbers::leadingNumber(p.value(2).toString()),
                                numbers::leadingNumber(p.value(3).toString())});
    }
    QSet<QString> newStyle;
    QSqlQuery n = connection.exec(QStringLiteral("select Code from Medicare.tbMedPackage_NEW"));
    while (n.next())
        newStyle.insert(db::ciAsKey(n.value(0).toString()));

    int classes[5] = {};
    const QHash<QString, CaseRate> medical = caseRates("tbMed_MedicalCaseRates", "ICDCode");
    const QHash<QString, CaseRate> procedures = caseRates("tbMed_Procedures", "RVSCODE");
    for (const QString& name : kRateFiles) {
        const QHash<QString, CaseRate>& rates =
            name.contains(QLatin1String("PROCEDURE")) ? procedures : medical;
        for (const QString& line : ratelist::readSourceFile(programFolder + QLatin1Char('/') + name)) {
            if (ratelist::isBlankLine(line))
                continue;
            const caserates::RateFileLine l = caserates::RateFileLine::parse(line);
            if (!newStyle.contains(db::ciAsKey(l.code)))
                ++classes[0];
            auto hit = rates.constFind(db::ciAsKey(l.code));
            if (hit == rates.cend())
                hit = rates.constFind(db::ciAsKey(caserates::withoutBlanks(l.code)));
            if (hit == rates.cend()) {
                ++classes[1];
                continue;
            }
            const auto package = packages.constFind(db::ciAsKey(hit->packageId));
            if (package != packages.cend() &&
                (numbers::roundTo2(l.amountValue) != package->amount ||
                 numbers::roundTo2(l.pfValue) != package->pf ||
                 numbers::roundTo2(l.medRoomBoardValue) != package->medRoomBoard))
                ++classes[2];
            ++classes[text::compareDescriptions(l.description, hit->description) ==
                              text::DescriptionMatch::Changed
                          ? 3
                          : 4];
        }
    }
    if (classes[1] + classes[3] + classes[4] == 0)
        qFatal("the in-memory run read no line");
    return connection.statementsSent() - before;
}

// Runs one configuration `runs` times and prints its figures for the driver.
int runOne(const QString& strategy, int delayMs, const QString& dbFolder, int runs)
{
    QTemporaryDir program;
    ProgramFolder::setOverride(program.path());
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());
    const QString rateFolder = QCoreApplication::applicationDirPath();
    for (const QString& name : kRateFiles) {
        if (!QFile::copy(rateFolder + QLatin1Char('/') + name, program.filePath(name))) {
            std::fprintf(stderr, "cannot copy %s from %s\n", qPrintable(name), qPrintable(rateFolder));
            return 1;
        }
    }

    db::ConnectionSettings settings;
    settings.embeddedFolder = dbFolder;
    auto connection = db::Connection::open(settings);
    if (delayMs > 0)
        connection->setBeforeStatementHook([delayMs] { QThread::msleep(delayMs); });
    jobs::JobContext context;
    context.programFolder = program.path();
    context.existingConnection = connection.get();

    caserates::UpdateRunParams params;
    params.verB = true;
    params.updateDescriptions = true;
    params.strategy = strategy == QLatin1String("batched") ? reconcile::LookupStrategy::Batched
                                                           : reconcile::LookupStrategy::PerLine;
    std::vector<double> seconds;
    quint64 statements = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (strategy == QLatin1String("in-memory")) {
            statements = inMemoryRun(*connection, program.path());
            seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
            continue;
        }
        const jobs::JobOutcome outcome = caserates::UpdateRunJob(params).run(context, {});
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        statements = outcome.statementsSent;
        if (!outcome.failures.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(outcome.failures.join(QLatin1Char('\n'))));
            return 1;
        }
    }
    bench::printChildFigures(statements, std::move(seconds));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 6 && args[1] == QLatin1String("--one"))
        return runOne(args[2], args[3].toInt(), args[4], args[5].toInt());
    const int runs = args.size() > 1 ? args[1].toInt() : 5;

    QTemporaryDir dbDir;
    QTextStream out(stdout);
    bench::buildSampleDatabasesFor(dbDir.path(), runs, out);
    out << QStringLiteral("%1 %2 %3\n").arg("strategy", -9).arg("delay", 6).arg(bench::figureHeads());
    out.flush();

    QHash<QString, bench::ChildFigures> figures;
    for (int delay : {0, 1}) {
        for (const QString& strategy :
             {QStringLiteral("batched"), QStringLiteral("per-line"), QStringLiteral("in-memory")}) {
            bench::ChildFigures f;
            QString error;
            if (!bench::runChild(
                    {"--one", strategy, QString::number(delay), dbDir.path(), QString::number(runs)}, f,
                    error)) {
                out << strategy << " " << delay << " ms failed: " << error << "\n";
                return 1;
            }
            figures.insert(strategy + QString::number(delay), f);
            out << QStringLiteral("%1 %2 %3\n")
                       .arg(strategy, -9)
                       .arg(QStringLiteral("%1 ms").arg(delay), 6)
                       .arg(bench::figureCells(f));
            out.flush();
        }
    }
    out << "\nper-line / batched and batched / in-memory, same delay:\n";
    for (int delay : {0, 1}) {
        const QString d = QString::number(delay);
        const double batched = figures.value("batched" + d).medianSeconds;
        out << QStringLiteral("  %1 ms: per-line %2x, batched/in-memory %3x\n")
                   .arg(delay)
                   .arg(figures.value("per-line" + d).medianSeconds / batched, 0, 'f', 1)
                   .arg(batched / figures.value("in-memory" + d).medianSeconds, 0, 'f', 1);
    }
    return 0;
}
