// Update run benchmark ("Step 2. Create update scripts"): both passes over the real 2024
// rate lists "ICD PH 2024.txt" and "ICD PH 2024_PROCEDURE.txt" (8,923 lines) with Ver B and
// description updates, against the embedded sample database, with batched and line-by-line
// lookups, without and with a simulated network round trip of 1 ms per statement.
//
//   update_bench [RUNS]     runs every configuration (each in a child process, so that its
//                           peak memory is its own) and prints a table and the ratios
//   update_bench --one ...  one configuration, used by the driver
#include "BenchChild.h"
#include "caserates/UpdateRunJob.h"
#include "db/Connection.h"
#include "platform/ProgramFolder.h"
#include "sampledb/SampleDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

using namespace orvex;

namespace {

const QStringList kRateFiles = {QStringLiteral("ICD PH 2024.txt"),
                                QStringLiteral("ICD PH 2024_PROCEDURE.txt")};

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
        const jobs::JobOutcome outcome = caserates::UpdateRunJob(params).run(context, {});
        seconds.push_back(timer.nsecsElapsed() / 1e9);
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
        for (const QString& strategy : {QStringLiteral("batched"), QStringLiteral("per-line")}) {
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
    out << "\nper-line / batched, same delay:\n";
    for (int delay : {0, 1}) {
        const QString d = QString::number(delay);
        out << QStringLiteral("  %1 ms: %2x\n")
                   .arg(delay)
                   .arg(figures.value("per-line" + d).medianSeconds /
                            figures.value("batched" + d).medianSeconds,
                        0, 'f', 1);
    }
    return 0;
}
