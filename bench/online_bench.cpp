// Online update and code search benchmark on the embedded sample database.
//
//   online_bench [RUNS]   (default 5) the online update of the sample's central.db (663 rows)
//                         in each configuration, each in a child process of its own (so that
//                         its peak memory is its own), on a fresh copy of the sample databases
//                         per run: the update as the tool makes it (set statements), the
//                         line-by-line reference (the same job with a statement per row, as
//                         the update wrote before), and the physical limit (both tables read
//                         into memory and compared there); each without and with 1 ms slept
//                         before every statement. Then the code search typed a character at a
//                         time over the 12,000 codes (time per keystroke: median and worst).
//   online_bench --one METHOD DELAY_MS FOLDER RUNS   one configuration, used by the driver
#include "BenchChild.h"
#include "Error.h"
#include "apply/OnlineUpdateJob.h"
#include "bridges/IcdSearchIndex.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "sampledb/SampleDatabases.h"
#include "tools/OnlineUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvex;

namespace {

const QStringList kMethods = {QStringLiteral("sets"), QStringLiteral("per-row"), QStringLiteral("limit")};

void copySample(const QString& from, const QString& to)
{
    if (!bench::copySampleFiles(from, to,
                                {sampledb::kBuildFileDatabaseFile, sampledb::kMedicareDatabaseFile,
                                 sampledb::kCentralDatabaseFile}))
        throw Error(QStringLiteral("cannot copy the sample databases from %1").arg(from));
}

// The physical limit: both tables read into memory and compared there, nothing written.
int compareInMemory(const tools::CentralUpdateTable& central, db::Connection& hospital)
{
    QHash<QString, QString> local; // the first description of each code
    QSqlQuery q = hospital.exec(QStringLiteral("select CODE, Description from Build_FILE.tbICDdiagMain"));
    while (q.next()) {
        const QString key = db::ciAsKey(q.value(0).toString());
        if (!local.contains(key))
            local.insert(key, q.value(1).toString());
    }
    int changes = 0;
    for (const QStringList& row : central.rows) {
        const QString key = db::ciAsKey(row.value(0).trimmed());
        const auto it = local.constFind(key);
        if (it == local.cend() || *it != row.value(1)) {
            local.insert(key, row.value(1));
            ++changes;
        }
    }
    return changes;
}

// One configuration `runs` times; prints "statements median_s peak_kb".
int runOne(const QString& method, int delayMs, const QString& sample, int runs)
{
    std::vector<double> seconds;
    quint64 statements = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        copySample(sample, dir.path());
        db::ConnectionSettings settings;
        settings.embeddedFolder = dir.path();
        auto central = db::Connection::openCentral(settings);
        auto hospital = db::Connection::open(settings);
        if (delayMs > 0) {
            const auto sleep = [delayMs] { QThread::msleep(delayMs); };
            central->setBeforeStatementHook(sleep);
            hospital->setBeforeStatementHook(sleep);
        }
        if (method == QLatin1String("per-row"))
            hospital->setRowsPerSetStatement(1);
        const quint64 before = central->statementsSent() + hospital->statementsSent();
        QElapsedTimer clock;
        clock.start();
        const tools::CentralUpdateTable table = tools::readCentralUpdateTable(*central);
        if (method == QLatin1String("limit")) {
            if (compareInMemory(table, *hospital) == 0)
                throw Error(QStringLiteral("the central table changes nothing"));
        } else {
            apply::OnlineUpdateJob job(table.rows, {QStringLiteral("bench"), QStringLiteral("ws")},
                                       QStringLiteral("central.db"));
            jobs::JobContext context;
            context.existingConnection = hospital.get();
            context.otherOutputFolder = dir.filePath(QStringLiteral("output")); // its undo file
            job.run(context, {});
            if (job.result().added + job.result().updated == 0)
                throw Error(QStringLiteral("the update changed nothing"));
        }
        seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
        statements = central->statementsSent() + hospital->statementsSent() - before;
    }
    bench::printChildFigures(statements, std::move(seconds));
    return 0;
}

void benchSearch(const QString& sample, QTextStream& out)
{
    db::ConnectionSettings settings;
    settings.embeddedFolder = sample;
    auto connection = db::Connection::open(settings);
    QElapsedTimer clock;
    clock.start();
    const bridges::IcdSearchIndex index = bridges::IcdSearchIndex::load(*connection);
    out << QStringLiteral("search: %1 codes loaded in %2 ms\n")
               .arg(index.size())
               .arg(double(clock.nsecsElapsed()) / 1e6, 0, 'f', 1);

    const QStringList typed = {QStringLiteral("fever typhoid"),
                               QStringLiteral("A01.0"),
                               QStringLiteral("malignant neoplasm of breast"),
                               QStringLiteral("diabetes type 2"),
                               QStringLiteral("e"),
                               QStringLiteral("zzzz no such words at all")};
    std::vector<double> perKey;
    for (const QString& text : typed) {
        for (qsizetype n = 1; n <= text.size(); ++n) {
            clock.restart();
            const auto found = index.find(QStringView(text).left(n), 200);
            perKey.push_back(double(clock.nsecsElapsed()) / 1e6);
            (void)found;
        }
    }
    out << QStringLiteral(
               "search: %1 keystrokes, median %2 ms, worst %3 ms per keystroke (200 matches shown)\n")
               .arg(perKey.size())
               .arg(bench::median(perKey), 0, 'f', 2)
               .arg(*std::max_element(perKey.begin(), perKey.end()), 0, 'f', 2);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() >= 6 && args[1] == QLatin1String("--one"))
            return runOne(args[2], args[3].toInt(), args[4], args[5].toInt());
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;

    QTemporaryDir sample;
    QTextStream out(stdout);
    bench::buildSampleDatabasesFor(sample.path(), runs, out);
    out << "online update of central.db (663 rows: 638 added, 25 updated), read of the central table "
           "included\n";
    out << QStringLiteral("%1 %2 %3\n").arg("method", -9).arg("delay", 6).arg(bench::figureHeads());
    out.flush();
    QHash<QString, double> medians;
    for (int delay : {0, 1}) {
        for (const QString& method : kMethods) {
            bench::ChildFigures f;
            QString error;
            if (!bench::runChild(
                    {"--one", method, QString::number(delay), sample.path(), QString::number(runs)}, f,
                    error)) {
                out << method << " failed: " << error << "\n";
                return 1;
            }
            medians.insert(method + QString::number(delay), f.medianSeconds);
            out << QStringLiteral("%1 %2 %3\n")
                       .arg(method, -9)
                       .arg(QStringLiteral("%1 ms").arg(delay), 6)
                       .arg(bench::figureCells(f));
            out.flush();
        }
    }
    out << "\nratios, same delay:\n";
    for (int delay : {0, 1}) {
        const QString d = QString::number(delay);
        out << QStringLiteral("  %1 ms: per-row / sets %2x, sets / limit %3x\n")
                   .arg(delay)
                   .arg(medians.value("per-row" + d) / medians.value("sets" + d), 0, 'f', 1)
                   .arg(medians.value("sets" + d) / medians.value("limit" + d), 0, 'f', 1);
    }
    out << "\n";
    benchSearch(sample.path(), out);
    return 0;
}
