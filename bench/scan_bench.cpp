// Scan benchmark: the PH scan of the built-in update resource, the ICD scan of
// "ICD PH 2024.txt" and ICD scans of lists of 50,000 and 500,000 lines made from the WHO
// codes of the sample, against the embedded sample database, with both lookup strategies,
// without and with a simulated network round trip of 1 ms per statement; beside them the
// physical limit of an ICD scan: the list and the table read into memory and compared there.
//
//   scan_bench [RUNS]     runs every configuration (each in a child process, so that
//                         its peak memory is its own) and prints a table and the ratios
//   scan_bench --one ...  one configuration, used by the driver
//   scan_bench --lists DIR  only writes the made lists into DIR (to profile a scan of them)
#include "BenchChild.h"
#include "MadeList.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "platform/ProgramFolder.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>

using namespace orvex;

namespace {

struct Scan
{
    const char* name;
    int madeLines; // 0: a list of the repository
};
const Scan kScans[] = {{"ph-resource", 0}, {"icd-2024", 0}, {"icd-50k", 50000}, {"icd-500k", 500000}};

struct Config
{
    QString scan;     // a name of kScans
    QString strategy; // "batched", "per-line" or "in-memory" (the physical limit)
    int delayMs = 0;
};

QString listPath(const QString& scan, const QString& dbFolder, const QString& rateFolder)
{
    if (scan == QLatin1String("icd-2024"))
        return rateFolder + QStringLiteral("/ICD PH 2024.txt");
    return QDir(dbFolder).filePath(scan + QStringLiteral(".txt"));
}

// The physical limit of an ICD scan: the list read (held as its bytes, as the scan holds it)
// and split, every row of tbICDdiagMain read into memory (the first row of a code or a
// description wins, as in the scan), and each line sorted into its class there. Returns the
// statements sent.
quint64 inMemoryScan(db::Connection& connection, const QString& list)
{
    const quint64 before = connection.statementsSent();
    const ratelist::ListLines lines = ratelist::readSourceLines(list).lines; // held as the scan holds them
    QHash<QString, QString> byCode;
    QHash<QString, QString> byDescription;
    QSqlQuery rows = connection.exec(db::queries::icdSearchRows);
    while (rows.next()) {
        const QString code = rows.value(0).toString();
        const QString description = rows.value(1).toString();
        const QString codeKey = db::ciAsKey(code);
        const QString descriptionKey = db::ciAsKey(description);
        if (!byCode.contains(codeKey))
            byCode.insert(codeKey, description);
        if (!byDescription.contains(descriptionKey))
            byDescription.insert(descriptionKey, code);
    }
    std::array<int, 4> classes{};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        if (ratelist::isBlankLine(line))
            continue;
        const ratelist::ScanLine item = ratelist::splitScanLine(line, false);
        if (item.kind != ratelist::ScanLine::Kind::Code)
            continue;
        const auto found = byCode.constFind(db::ciAsKey(item.code));
        if (found != byCode.cend())
            ++classes[*found == item.description ? 0 : 1];
        else
            ++classes[byDescription.contains(db::ciAsKey(item.description)) ? 2 : 3];
    }
    if (classes[0] + classes[1] + classes[2] + classes[3] == 0)
        qFatal("the in-memory scan found no code line in %s", qPrintable(list));
    return connection.statementsSent() - before;
}

// Runs one configuration `runs` times; prints "statements median_s peak_kb". The list is
// read in the time, as the window and orvex-cli read it before a scan.
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

    const QString list = listPath(c.scan, dbFolder, rateFolder);
    reconcile::ScanParams params;
    params.phMode = c.scan == QLatin1String("ph-resource");
    params.existingConnection = connection.get();
    params.strategy = c.strategy == QLatin1String("per-line") ? reconcile::LookupStrategy::PerLine
                                                              : reconcile::LookupStrategy::Batched;
    std::vector<double> seconds;
    quint64 statements = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (c.strategy == QLatin1String("in-memory")) {
            statements = inMemoryScan(*connection, list);
        } else {
            // The lines read and handed over as orvex-cli reads and hands them over.
            reconcile::ScanParams run = params;
            run.lines = params.phMode ? ratelist::ListLines(ratelist::loadBuiltinUpdateResource())
                                      : ratelist::readSourceLines(list).lines;
            statements = reconcile::ScanJob(std::move(run)).run().statementsSent;
        }
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    bench::printChildFigures(statements, std::move(seconds));
    return 0;
}

// Writes the made lists into `folder` as "<scan>.txt"; false when the WHO codes are missing.
bool writeMadeLists(const QString& folder)
{
    const auto codes = bench::whoCodes(QStringLiteral(ORVEX_WHO_CODES));
    for (const Scan& scan : kScans) {
        if (scan.madeLines == 0)
            continue;
        QFile file(QDir(folder).filePath(QLatin1String(scan.name) + QStringLiteral(".txt")));
        if (codes.empty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bench::madeList(codes, scan.madeLines)) < 0)
            return false;
    }
    return true;
}

int lineCount(const QString& scan, const QString& dbFolder, const QString& rateFolder)
{
    return int(scan == QLatin1String("ph-resource")
                   ? ratelist::loadBuiltinUpdateResource().size()
                   : ratelist::readSourceFile(listPath(scan, dbFolder, rateFolder)).size());
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
    if (args.size() == 3 && args[1] == QLatin1String("--lists"))
        return writeMadeLists(args[2]) ? 0 : 1;
    const int runs = args.size() > 1 ? args[1].toInt() : 5;

    QTemporaryDir dbDir;
    QTextStream out(stdout);
    bench::buildSampleDatabasesFor(dbDir.path(), runs, out);
    if (!writeMadeLists(dbDir.path())) {
        out << "cannot make the lists from " << ORVEX_WHO_CODES << "\n";
        return 1;
    }
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg("scan", -12)
               .arg("strategy", -9)
               .arg("delay", 6)
               .arg(bench::figureHeads())
               .arg("lines/s", 10);
    out.flush();

    QHash<QString, double> medians;
    for (const Scan& scan : kScans) {
        const QString name = QLatin1String(scan.name);
        const int lines = lineCount(name, dbDir.path(), rateFolder);
        for (int delay : {0, 1}) {
            for (const QString& strategy :
                 {QStringLiteral("batched"), QStringLiteral("per-line"), QStringLiteral("in-memory")}) {
                if (strategy == QLatin1String("in-memory") && name == QLatin1String("ph-resource"))
                    continue; // the limit is measured for the ICD scans
                // A statement per lookup at 1 ms: more than ten minutes for 500,000 lines.
                if (strategy == QLatin1String("per-line") && delay > 0 && scan.madeLines > 100000) {
                    out << QStringLiteral("%1 %2 %3   not run: over %4 statements of 1 ms each\n")
                               .arg(name, -12)
                               .arg(strategy, -9)
                               .arg(QStringLiteral("%1 ms").arg(delay), 6)
                               .arg(scan.madeLines);
                    continue;
                }
                // The big lists one run each where a statement goes per line.
                const int configRuns = strategy == QLatin1String("per-line") && scan.madeLines > 0 ? 1 : runs;
                bench::ChildFigures f;
                QString error;
                if (!bench::runChild({"--one", name, strategy, QString::number(delay), dbDir.path(),
                                      QString::number(configRuns)},
                                     f, error)) {
                    out << name << " " << strategy << " failed: " << error << "\n";
                    return 1;
                }
                medians.insert(name + strategy + QString::number(delay), f.medianSeconds);
                out << QStringLiteral("%1 %2 %3 %4 %5\n")
                           .arg(name, -12)
                           .arg(strategy, -9)
                           .arg(QStringLiteral("%1 ms").arg(delay), 6)
                           .arg(bench::figureCells(f))
                           .arg(f.medianSeconds > 0 ? qint64(lines / f.medianSeconds) : 0, 10);
                out.flush();
            }
        }
    }
    out << "\nper-line / batched and batched / in-memory, same scan and delay:\n";
    for (const Scan& scan : kScans) {
        for (int delay : {0, 1}) {
            const QString key = QLatin1String(scan.name);
            const QString d = QString::number(delay);
            const double batched = medians.value(key + "batched" + d);
            out << QStringLiteral("  %1, %2 ms:").arg(key).arg(delay);
            if (medians.contains(key + "per-line" + d))
                out << QStringLiteral(" per-line %1x")
                           .arg(medians.value(key + "per-line" + d) / batched, 0, 'f', 1);
            if (medians.contains(key + "in-memory" + d))
                out << QStringLiteral(" batched/in-memory %1x")
                           .arg(batched / medians.value(key + "in-memory" + d), 0, 'f', 1);
            out << "\n";
        }
    }
    return 0;
}
