// Apply and undo benchmark: the update run over the real 2024 rate lists "ICD PH 2024.txt"
// and "ICD PH 2024_PROCEDURE.txt" with description updates, against fresh embedded sample
// databases; then the apply of its changes (one write transaction, the undo file written
// before the commit; the run made again inside it, to check the record, also timed on its own)
// and the undo of that apply, each timed. Every run also checks the loop:
// a second update run after the apply records nothing to apply, and a third one after the undo
// records what the first did.
//
//   apply_bench [RUNS] [DELAY_MS]   RUNS default 5, fresh databases for each run; each run
//                                   applies and undoes without delay and then with DELAY_MS
//                                   (default 1) slept before every statement of the apply
//                                   and the undo, a simulated round trip to a server
#include "apply/ApplyRun.h"
#include "apply/RunRederive.h"
#include "apply/UndoApply.h"
#include "caserates/UpdateRunJob.h"
#include "db/Connection.h"
#include "db/SampleDatabases.h"
#include "review/RunRecord.h"

#include "Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <QThread>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace orvex;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

jobs::Findings updateRun(const jobs::JobContext& context)
{
    caserates::UpdateRunParams params;
    params.updateDescriptions = true;
    caserates::UpdateRunJob job(params);
    job.run(context, {});
    return job.result().changes;
}

} // namespace

struct Measured
{
    std::vector<double> applySeconds, undoSeconds, applyCpu, undoCpu, rederiveSeconds, rederiveCpu;
    quint64 applyStatements = 0, undoStatements = 0, rederiveStatements = 0;
};

void print(QTextStream& out, const QString& delay, const Measured& m)
{
    out << QStringLiteral("apply  %1 delay: median %2 s wall, %3 s CPU, %4 statements\n")
               .arg(delay)
               .arg(median(m.applySeconds), 0, 'f', 3)
               .arg(median(m.applyCpu), 0, 'f', 3)
               .arg(m.applyStatements);
    out << QStringLiteral("  of it, the run made again: median %1 s wall, %2 s CPU, %3 statements\n")
               .arg(median(m.rederiveSeconds), 0, 'f', 3)
               .arg(median(m.rederiveCpu), 0, 'f', 3)
               .arg(m.rederiveStatements);
    out << QStringLiteral("undo   %1 delay: median %2 s wall, %3 s CPU, %4 statements\n")
               .arg(delay)
               .arg(median(m.undoSeconds), 0, 'f', 3)
               .arg(median(m.undoCpu), 0, 'f', 3)
               .arg(m.undoStatements);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    const int delayMs = argc > 2 ? std::max(0, QString::fromLocal8Bit(argv[2]).toInt()) : 1;
    QTextStream out(stdout);
    Measured measured[2]; // without delay, with it
    apply::ApplyCounts counts;
    bool loopHolds = true;
    try {
        for (int i = 0; i < 2 * runs; ++i) {
            const bool delayed = i % 2 == 1;
            Measured& m = measured[delayed ? 1 : 0];
            QTemporaryDir dbDir, program;
            db::buildSampleDatabases(dbDir.path(), false);
            for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
                const QString from =
                    QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
                if (!QFile::copy(from, program.filePath(QLatin1String(name)))) {
                    out << "cannot copy " << from << "\n";
                    return 1;
                }
            }
            db::ConnectionSettings settings;
            settings.embeddedFolder = dbDir.path();
            auto connection = db::Connection::open(settings);
            jobs::JobContext context;
            context.programFolder = program.path();
            context.existingConnection = connection.get();
            QDir().mkpath(context.outputFolder());
            const jobs::Findings first = updateRun(context);
            const QString recordPath =
                QDir(context.outputFolder()).filePath(QString::fromUtf16(review::kRunRecordName));

            // What the apply spends on making the run again, measured on its own.
            const review::RunRecord recorded = review::readRunRecord(recordPath);
            const db::LogIdentity who{QStringLiteral("bench"), QStringLiteral("bench")};
            const auto sleep = [delayMs] { QThread::msleep(delayMs); };
            connection->setBeforeStatementHook(delayed ? std::function<void()>(sleep)
                                                       : std::function<void()>());
            quint64 before = connection->statementsSent();
            QElapsedTimer timer;
            timer.start();
            std::clock_t cpu = std::clock();
            const review::RunRecord again = apply::rederiveRun(*connection, recorded, program.path());
            m.rederiveSeconds.push_back(timer.nsecsElapsed() / 1e9);
            m.rederiveCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
            m.rederiveStatements = connection->statementsSent() - before;
            loopHolds = loopHolds && apply::recordDifferences(recorded, again).isEmpty();

            before = connection->statementsSent();
            timer.restart();
            cpu = std::clock();
            const apply::ApplyResult applied =
                apply::applyRun(*connection, context.outputFolder(), who, QDateTime::currentDateTime());
            m.applySeconds.push_back(timer.nsecsElapsed() / 1e9);
            m.applyCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
            m.applyStatements = connection->statementsSent() - before;
            counts = applied.counts;

            // Notes (amounts of 0 in the list) stay; nothing is left to apply.
            connection->setBeforeStatementHook({});
            updateRun(context);
            connection->setBeforeStatementHook(delayed ? std::function<void()>(sleep)
                                                       : std::function<void()>());
            loopHolds = loopHolds && apply::countChanges(review::readRunRecord(recordPath)).total() == 0;

            before = connection->statementsSent();
            timer.restart();
            cpu = std::clock();
            apply::undoApply(*connection, applied.undoFile, who, QDateTime::currentDateTime());
            m.undoSeconds.push_back(timer.nsecsElapsed() / 1e9);
            m.undoCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
            m.undoStatements = connection->statementsSent() - before;

            connection->setBeforeStatementHook({});
            loopHolds = loopHolds && updateRun(context) == first;
        }
    } catch (const Error& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    out << "apply of the update run: " << counts.text() << "\n";
    print(out, QStringLiteral("0 ms"), measured[0]);
    print(out, QStringLiteral("%1 ms").arg(delayMs), measured[1]);
    out << "loop (second run leaves nothing to apply, third run matches the first): "
        << (loopHolds ? "holds" : "BROKEN") << "\n";
    return loopHolds ? 0 : 1;
}
