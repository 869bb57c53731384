// Apply and undo benchmark: the update run over the real 2024 rate lists "ICD PH 2024.txt"
// and "ICD PH 2024_PROCEDURE.txt" with description updates, against fresh embedded sample
// databases; then the apply of its changes (one write transaction, the undo file written
// before the commit; the run made again inside it, to check the record, also timed on its own)
// and the undo of that apply, each timed. Every run also checks the loop:
// a second update run after the apply records nothing to apply, and a third one after the undo
// records what the first did.
//
//   apply_bench [RUNS]     RUNS default 5; fresh databases for each run
#include "apply/ApplyRun.h"
#include "apply/RunRecord.h"
#include "apply/RunRederive.h"
#include "apply/UndoApply.h"
#include "caserates/UpdateRunJob.h"
#include "db/Connection.h"
#include "db/SampleDatabases.h"

#include "Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

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
    return job.changes();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QTextStream out(stdout);
    std::vector<double> applySeconds, undoSeconds, applyCpu, undoCpu, rederiveSeconds, rederiveCpu;
    apply::ApplyCounts counts;
    quint64 applyStatements = 0, undoStatements = 0, rederiveStatements = 0;
    bool loopHolds = true;
    try {
        for (int i = 0; i < runs; ++i) {
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
                QDir(context.outputFolder()).filePath(QString::fromUtf16(apply::kRunRecordName));

            // What the apply spends on making the run again, measured on its own.
            const apply::RunRecord recorded = apply::readRunRecord(recordPath);
            quint64 before = connection->statementsSent();
            QElapsedTimer timer;
            timer.start();
            std::clock_t cpu = std::clock();
            const apply::RunRecord again = apply::rederiveRun(*connection, recorded, program.path());
            rederiveSeconds.push_back(timer.nsecsElapsed() / 1e9);
            rederiveCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
            rederiveStatements = connection->statementsSent() - before;
            loopHolds = loopHolds && apply::recordDifferences(recorded, again).isEmpty();

            const db::LogIdentity who{QStringLiteral("bench"), QStringLiteral("bench")};
            before = connection->statementsSent();
            timer.restart();
            cpu = std::clock();
            const apply::ApplyResult applied =
                apply::applyRun(*connection, context.outputFolder(), who, QDateTime::currentDateTime());
            applySeconds.push_back(timer.nsecsElapsed() / 1e9);
            applyCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
            applyStatements = connection->statementsSent() - before;
            counts = applied.counts;

            // Notes (amounts of 0 in the list) stay; nothing is left to apply.
            updateRun(context);
            loopHolds = loopHolds && apply::countChanges(apply::readRunRecord(recordPath)).total() == 0;

            before = connection->statementsSent();
            timer.restart();
            cpu = std::clock();
            apply::undoApply(*connection, applied.undoFile, who, QDateTime::currentDateTime());
            undoSeconds.push_back(timer.nsecsElapsed() / 1e9);
            undoCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
            undoStatements = connection->statementsSent() - before;

            loopHolds = loopHolds && updateRun(context) == first;
        }
    } catch (const Error& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    out << "apply of the update run: " << counts.text() << "\n";
    out << QStringLiteral("apply  median %1 s wall, %2 s CPU, %3 statements\n")
               .arg(median(applySeconds), 0, 'f', 3)
               .arg(median(applyCpu), 0, 'f', 3)
               .arg(applyStatements);
    out << QStringLiteral("of it, the run made again: median %1 s wall, %2 s CPU, %3 statements\n")
               .arg(median(rederiveSeconds), 0, 'f', 3)
               .arg(median(rederiveCpu), 0, 'f', 3)
               .arg(rederiveStatements);
    out << QStringLiteral("undo   median %1 s wall, %2 s CPU, %3 statements\n")
               .arg(median(undoSeconds), 0, 'f', 3)
               .arg(median(undoCpu), 0, 'f', 3)
               .arg(undoStatements);
    out << "loop (second run leaves nothing to apply, third run matches the first): "
        << (loopHolds ? "holds" : "BROKEN") << "\n";
    return loopHolds ? 0 : 1;
}
