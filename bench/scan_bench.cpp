// Scan benchmark: the PH scan of the built-in update resource and the ICD scan of
// "ICD PH 2024.txt" against the embedded sample database, with both lookup strategies,
// without and with a simulated network round trip of 1 ms per statement.
//
//   scan_bench            runs every configuration (each in a child process, so that
//                         its peak memory is its own) and prints a table and the ratios
//   scan_bench --one ...  one configuration, used by the driver
#include "BenchChild.h"
#include "db/Connection.h"
#include "platform/ProgramFolder.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"
#include "sampledb/SampleDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

using namespace orvex;

namespace {

struct Config
{
    QString scan;     // "ph-resource" or "icd-2024"
    QString strategy; // "batched" or "per-line"
    int delayMs = 0;
};

// Runs one configuration `runs` times; prints "statements median_s peak_kb".
int runOne(const Config& c, const QString& dbFolder, const QString& rateFolder, int runs)
{
    QTemporaryDir work;
    ProgramFolder::setOverride(work.path());
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());

    db::ConnectionSettings settings;
    settings.embeddedFolder = dbFolder;
    auto connection = db::Connection::open(settings);
    if (c.delayMs > 0)
        connection->setBeforeStatementHook([ms = c.delayMs] { QThread::msleep(ms); });

    reconcile::ScanParams params;
    params.phMode = c.scan == QLatin1String("ph-resource");
    params.lines = params.phMode ? ratelist::loadBuiltinUpdateResource()
                                 : ratelist::readSourceFile(rateFolder + QStringLiteral("/ICD PH 2024.txt"));
    params.existingConnection = connection.get();
    params.strategy = c.strategy == QLatin1String("batched") ? reconcile::LookupStrategy::Batched
                                                             : reconcile::LookupStrategy::PerLine;
    std::vector<double> seconds;
    quint64 statements = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto result = reconcile::ScanJob(params).run();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
        statements = result.statementsSent;
    }
    bench::printChildFigures(statements, std::move(seconds));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const QString rateFolder = QCoreApplication::applicationDirPath();
    if (args.size() >= 7 && args[1] == QLatin1String("--one")) {
        return runOne({args[2], args[3], args[4].toInt()}, args[5], rateFolder, args[6].toInt());
    }
    const int runs = args.size() > 1 ? args[1].toInt() : 5;

    QTemporaryDir dbDir;
    QTextStream out(stdout);
    bench::buildSampleDatabasesFor(dbDir.path(), runs, out);
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg("scan", -12)
               .arg("strategy", -9)
               .arg("delay", 6)
               .arg(bench::figureHeads());
    out.flush();

    QHash<QString, double> medians;
    for (const QString& scan : {QStringLiteral("ph-resource"), QStringLiteral("icd-2024")}) {
        for (int delay : {0, 1}) {
            for (const QString& strategy : {QStringLiteral("batched"), QStringLiteral("per-line")}) {
                bench::ChildFigures f;
                QString error;
                if (!bench::runChild({"--one", scan, strategy, QString::number(delay), dbDir.path(),
                                      QString::number(runs)},
                                     f, error)) {
                    out << scan << " " << strategy << " failed: " << error << "\n";
                    return 1;
                }
                medians.insert(scan + strategy + QString::number(delay), f.medianSeconds);
                out << QStringLiteral("%1 %2 %3 %4\n")
                           .arg(scan, -12)
                           .arg(strategy, -9)
                           .arg(QStringLiteral("%1 ms").arg(delay), 6)
                           .arg(bench::figureCells(f));
                out.flush();
            }
        }
    }
    out << "\nper-line / batched, same scan and delay:\n";
    for (const QString& scan : {QStringLiteral("ph-resource"), QStringLiteral("icd-2024")}) {
        for (int delay : {0, 1}) {
            const QString d = QString::number(delay);
            out << QStringLiteral("  %1, %2 ms: %3x\n")
                       .arg(scan)
                       .arg(delay)
                       .arg(medians.value(scan + "per-line" + d) / medians.value(scan + "batched" + d), 0,
                            'f', 1);
        }
    }
    return 0;
}
