// Review files benchmark: the update run over the real 2024 rate lists "ICD PH 2024.txt" and
// "ICD PH 2024_PROCEDURE.txt" with Ver B and description updates (every class of change),
// against the embedded sample database, once; then the time to render and write its
// output/report.html, and its output/changes.csv, each the median of RUNS writes. Then the
// PH scan of the whole built-in update resource (`orvex-cli scan --ph --update-resource`),
// once, and the same timings for its review files; its page stays in the output folder
// given as the second argument, if any, for a browser to open. Last, the page of a run of
// 130,000 lines in which every line is a change (the worst case): the update run's changes
// repeated under other codes; with KEEP_FOLDER it stays as KEEP_FOLDER/large/report.html.
//
// Each of the three runs in a child process of its own (the same program with --one), so
// that the peak memory it prints, of the run and its writes, is its own.
//
//   review_bench [RUNS [KEEP_FOLDER]]     RUNS default 5
//   review_bench --one update|scan|large RUNS [KEEP_FOLDER]
#include "PeakMemory.h"
#include "caserates/UpdateRunJob.h"
#include "db/Connection.h"
#include "platform/ProgramFolder.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"
#include "review/ReviewRun.h"
#include "sampledb/SampleDatabases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <span>
#include <vector>

using namespace orvex;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Median seconds of `runs` writes of one file, as the update run writes it (rendered
// straight into the file); `bytes`: its size.
template <typename Write> double timeWrites(int runs, const QString& path, Write write, qint64& bytes)
{
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return -1;
        write(file);
        file.close();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        bytes = QFileInfo(path).size();
    }
    return median(std::move(seconds));
}

bool timeReviewFiles(const review::ReviewRun& run, int runs, const QString& folder, QTextStream& out)
{
    qint64 pageBytes = 0, listBytes = 0;
    const double page = timeWrites(
        runs, folder + QStringLiteral("/report.html"),
        [&run](QIODevice& d) { review::writeReviewPage(run, d); }, pageBytes);
    const double list = timeWrites(
        runs, folder + QStringLiteral("/changes.csv"),
        [&run](QIODevice& d) { review::writeChangeList(run, d); }, listBytes);
    if (page < 0 || list < 0) {
        out << "cannot write to " << folder << "\n";
        return false;
    }
    out << run.changes.size() << " changes; median of " << runs << " writes\n";
    out << QStringLiteral("report.html  %1 s  %2 KB\n").arg(page, 0, 'f', 4).arg(pageBytes / 1024);
    out << QStringLiteral("changes.csv  %1 s  %2 KB\n").arg(list, 0, 'f', 4).arg(listBytes / 1024);
    return true;
}

// The update run's changes repeated under codes of their own ("A00.0~3") up to `count`,
// each on a line of its own: as many changes as a run over `count` lines can find.
std::vector<jobs::Finding> repeatedChanges(std::span<const jobs::Finding> changes, int count)
{
    std::vector<jobs::Finding> out;
    out.reserve(count);
    for (int i = 0; !changes.empty() && int(out.size()) < count; ++i) {
        jobs::Finding f = changes[size_t(i) % changes.size()];
        const QString copy = QStringLiteral("~%1").arg(i / int(changes.size()));
        if (f.key == f.code)
            f.key += copy;
        f.code += copy;
        f.sourceLine = i + 1;
        out.push_back(std::move(f));
    }
    return out;
}

// The child: the update run (and the scan for "scan"), then the timings of `only`.
int runOne(const QString& only, int runs, const QString& keep)
{
    QTextStream out(stdout);

    QTemporaryDir dbDir;
    sampledb::buildSampleDatabases(dbDir.path(), false);
    QTemporaryDir program;
    ProgramFolder::setOverride(program.path());
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());
    review::ReviewRun run;
    run.title = QStringLiteral("Update run");
    run.when = QDateTime::currentDateTime();
    run.user = QStringLiteral("bench");
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
        const QString from = QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
        if (!QFile::copy(from, program.filePath(QLatin1String(name)))) {
            out << "cannot copy " << from << "\n";
            return 1;
        }
        run.sources << program.filePath(QLatin1String(name));
    }

    db::ConnectionSettings settings;
    settings.embeddedFolder = dbDir.path();
    jobs::JobContext context;
    context.programFolder = program.path();
    context.connection = settings;
    run.database = settings.describe();
    if (only == QLatin1String("scan")) {
        reconcile::ScanParams scanParams;
        scanParams.lines = ratelist::loadBuiltinUpdateResource();
        scanParams.phMode = true;
        scanParams.keepResultRows = true; // its changes are timed below
        reconcile::ScanJob scan(scanParams);
        if (!keep.isEmpty())
            context.programFolder = keep;
        ProgramFolder::ensureFolder(context.outputFolder());
        QElapsedTimer timer;
        timer.start();
        scan.run(context, {});
        out << QStringLiteral("PH scan of the update resource (%1 lines): %2 s including its review files\n")
                   .arg(scanParams.lines.size())
                   .arg(double(timer.nsecsElapsed()) / 1e9, 0, 'f', 2);
        review::ReviewRun scanRun;
        scanRun.title = QStringLiteral("PH scan");
        scanRun.when = QDateTime::currentDateTime();
        scanRun.user = run.user;
        scanRun.database = run.database;
        scanRun.changes = scan.result().changes;
        scanRun.classes = review::kPhScanClasses;
        const QString timed = keep.isEmpty() ? context.outputFolder() : program.path();
        const bool written = timeReviewFiles(scanRun, runs, timed, out);
        out << QStringLiteral("peak %1 MB\n").arg(double(bench::ownPeakMemoryKb()) / 1024.0, 0, 'f', 1);
        return written ? 0 : 1;
    }
    caserates::UpdateRunParams params;
    params.verB = true;
    params.updateDescriptions = true;
    caserates::UpdateRunJob job(params);
    job.run(context, {});
    run.changes = job.result().changes;

    if (only == QLatin1String("update")) {
        out << "update run\n";
        const bool written = timeReviewFiles(run, runs, context.outputFolder(), out);
        out << QStringLiteral("peak %1 MB\n").arg(double(bench::ownPeakMemoryKb()) / 1024.0, 0, 'f', 1);
        return written ? 0 : 1;
    }
    if (only == QLatin1String("large")) {
        constexpr int kLargeRunLines = 130000;
        const std::vector<jobs::Finding> large = repeatedChanges(job.result().changes, kLargeRunLines);
        run.changes = large;
        const QString largeFolder = keep.isEmpty() ? program.path() : keep + QStringLiteral("/large");
        ProgramFolder::ensureFolder(largeFolder);
        out << "run of " << kLargeRunLines << " lines, each a change\n";
        const bool written = timeReviewFiles(run, runs, largeFolder, out);
        out << QStringLiteral("peak %1 MB\n").arg(double(bench::ownPeakMemoryKb()) / 1024.0, 0, 'f', 1);
        return written ? 0 : 1;
    }

    out << "unknown run " << only << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--one"))
        return runOne(args[2], std::max(1, args[3].toInt()), args.value(4));

    const QString runs = QString::number(args.size() > 1 ? std::max(1, args[1].toInt()) : 5);
    QTextStream out(stdout);
    for (const char* only : {"update", "scan", "large"}) {
        QProcess child;
        QStringList childArgs{QStringLiteral("--one"), QLatin1String(only), runs};
        if (args.size() > 2)
            childArgs << args[2];
        child.start(QCoreApplication::applicationFilePath(), childArgs);
        child.waitForFinished(-1);
        out << QString::fromLocal8Bit(child.readAllStandardOutput());
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            out << only << " failed: " << QString::fromLocal8Bit(child.readAllStandardError());
            return 1;
        }
        out.flush();
    }
    return 0;
}
