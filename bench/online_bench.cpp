// Online update and code search benchmark on the embedded sample database.
//
//   online_bench [RUNS]   (default 5) for each run: fresh sample databases, the apply of
//                         central.db to tbICDdiagMain (time, statements, writes); then the
//                         code search typed a character at a time over the 12,000 codes
//                         (time per keystroke: median and worst)
#include "apply/OnlineUpdateJob.h"
#include "bridges/IcdSearchIndex.h"
#include "db/Connection.h"
#include "sampledb/SampleDatabases.h"
#include "tools/OnlineUpdate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvex;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void benchApply(int runs)
{
    std::vector<double> seconds;
    quint64 statements = 0;
    int writes = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        sampledb::buildSampleDatabases(dir.path(), false);
        db::ConnectionSettings settings;
        settings.embeddedFolder = dir.path();
        QElapsedTimer clock;
        clock.start();
        tools::CentralUpdateTable table;
        {
            auto central = db::Connection::openCentral(settings);
            table = tools::readCentralUpdateTable(*central);
        }
        auto hospital = db::Connection::open(settings);
        const quint64 before = hospital->statementsSent();
        apply::OnlineUpdateJob job(table.rows, {QStringLiteral("bench"), QStringLiteral("ws")},
                                   QStringLiteral("central.db"));
        jobs::JobContext context;
        context.existingConnection = hospital.get();
        context.otherOutputFolder = dir.filePath(QStringLiteral("output")); // its undo file
        job.run(context, {});
        const tools::OnlineUpdateCounts& counts = job.result();
        seconds.push_back(clock.nsecsElapsed() / 1e9);
        statements = hospital->statementsSent() - before;
        writes = (counts.added + counts.updated) * 2; // each change and its log line
        if (run == 0)
            std::printf("apply: %lld central rows, %d added, %d updated\n", qlonglong(table.rows.size()),
                        counts.added, counts.updated);
    }
    std::printf("apply: median %.3f s over %d runs (read of the central table included); %llu statements "
                "= %d writes + %llu others\n",
                median(seconds), runs, static_cast<unsigned long long>(statements), writes,
                static_cast<unsigned long long>(statements - quint64(writes)));
}

void benchSearch()
{
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    auto connection = db::Connection::open(settings);
    QElapsedTimer clock;
    clock.start();
    const bridges::IcdSearchIndex index = bridges::IcdSearchIndex::load(*connection);
    std::printf("search: %lld codes loaded in %.1f ms\n", qlonglong(index.size()),
                clock.nsecsElapsed() / 1e6);

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
            perKey.push_back(clock.nsecsElapsed() / 1e6);
            (void)found;
        }
    }
    std::printf("search: %zu keystrokes, median %.2f ms, worst %.2f ms per keystroke (200 matches shown)\n",
                perKey.size(), median(perKey), *std::max_element(perKey.begin(), perKey.end()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    benchApply(runs);
    benchSearch();
    return 0;
}
