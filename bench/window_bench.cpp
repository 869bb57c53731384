// Window responsiveness benchmark: the longest pause of the window's event loop while each of
// its slow jobs runs, measured by a 10 ms timer (the worst gap between two of its ticks),
// offscreen. Each job is measured as the window runs it now (a core job on a runner, the
// event loop free) and as it ran before (the same work called on the window's thread):
//
//   - list-load: double-click on a source file of 138,000 lines (both real 2024 rate lists
//     repeated) until List2 of "ICD Updates" holds them; before: reading the file and
//     measuring every line for List2's width on the window's thread;
//   - code-search: "&View ICD DB"'s dialog until its index of tbICDdiagMain (12,147 codes)
//     has arrived; before: the index read before the dialog opened;
//   - sample-build: the first sign-in's build of the sample databases into an empty folder;
//   - icd-scan: "Go Scan" over that list of 138,000 lines (always on the runner), to its end
//     with its result lists filled;
//   - update-run: "Step 2. Create update scripts" over both real 2024 lists (on the runner).
//
// Each configuration runs in a child process of its own, so that its peak memory is its own.
//
//   window_bench [RUNS]             RUNS default 5
//   window_bench --one JOB WHERE RUNS DATABASES   (a child: JOB list-load|code-search|sample-build,
//                                                  WHERE runner|gui-thread; icd-scan runner only)
#include "PeakMemory.h"
#include "bridges/IcdSearchIndex.h"
#include "db/Connection.h"
#include "gui/FrmIcd.h"
#include "gui/FrmIcdSearch.h"
#include "gui/FrmSrc.h"
#include "gui/SampleBuildProgress.h"
#include "platform/ProgramFolder.h"
#include "ratelist/SourceFile.h"
#include "sampledb/SampleDatabases.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

using namespace orvex;

namespace {

constexpr int kListLines = 138000;
const QString kListName = QStringLiteral("ICD big list.txt");

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Measured
{
    double worstPauseMs = 0;
    double seconds = 0;
};

// Runs the event loop from `start` until `done` holds, while a 10 ms timer notes the longest
// time between two of its ticks.
Measured measure(const std::function<void()>& start, const std::function<bool()>& done)
{
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    QEventLoop loop;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
        if (done())
            loop.quit();
    });
    clock.start();
    tick.start();
    QTimer::singleShot(0, start);
    loop.exec();
    return {double(worst) / 1e6, double(clock.nsecsElapsed()) / 1e9};
}

// The two real 2024 lists repeated up to kListLines lines, CR LF.
bool writeBigList(const QString& path)
{
    QByteArray lines;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
        QFile file(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        lines += file.readAll();
        if (!lines.endsWith("\r\n"))
            lines += "\r\n";
    }
    const QList<QByteArray> one = lines.split('\n');
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    int written = 0;
    while (written < kListLines) {
        for (const QByteArray& line : one) {
            if (line.isEmpty() || written == kListLines)
                continue;
            out.write(line + '\n');
            ++written;
        }
    }
    return true;
}

gui::WindowServices quietServices()
{
    gui::WindowServices services;
    services.showMessageBox = [](const gui::WindowServices::MessageBox& box) {
        std::fprintf(stderr, "message: %s\n", qPrintable(box.text));
        return box.defaultButton;
    };
    services.openOnDesktop = [](const QString&, const gui::NotOpened&) {};
    return services;
}

db::ConnectionSettings embeddedIn(const QString& folder)
{
    db::ConnectionSettings settings;
    settings.embeddedFolder = folder;
    return settings;
}

std::vector<Measured> listLoad(bool onRunner, int runs, const QString& databases)
{
    QTemporaryDir program;
    ProgramFolder::setOverride(program.path());
    const QString path = program.filePath(kListName);
    if (!writeBigList(path))
        return {};
    gui::FrmIcd window(quietServices(), embeddedIn(databases));
    window.show();
    window.prepareOutputFolder();
    window.fillSourceFiles();
    auto* files = window.findChild<QAbstractItemView*>(QStringLiteral("lstSourceFiles"));
    files->setCurrentIndex(files->model()->index(0, 0));
    gui::FrmSrc shown; // "before": the same list filled on the window's thread
    std::vector<Measured> out;
    for (int i = 0; i < runs; ++i) {
        if (onRunner) {
            if (window.frmSRC())
                window.frmSRC()->setLines({});
            out.push_back(measure([&window] { window.chooseSelectedSourceFile(); },
                                  [&window] {
                                      return !window.isJobRunning() && window.frmSRC() &&
                                             window.frmSRC()->lineCount() == kListLines;
                                  }));
        } else {
            shown.setLines({});
            shown.show();
            out.push_back(measure(
                [&shown, &path] {
                    const QStringList lines = ratelist::readSource(path).lines;
                    std::vector<int> every(size_t(lines.size()));
                    std::iota(every.begin(), every.end(), 0);
                    shown.setLines(lines, every); // every line measured, as before
                },
                [&shown] { return shown.lineCount() == kListLines; }));
        }
    }
    return out;
}

std::vector<Measured> icdScan(int runs, const QString& databases)
{
    QTemporaryDir program;
    ProgramFolder::setOverride(program.path());
    if (!writeBigList(program.filePath(kListName)))
        return {};
    gui::FrmIcd window(quietServices(), embeddedIn(databases));
    window.show();
    window.prepareOutputFolder();
    window.fillSourceFiles();
    auto* files = window.findChild<QAbstractItemView*>(QStringLiteral("lstSourceFiles"));
    files->setCurrentIndex(files->model()->index(0, 0));
    window.chooseSelectedSourceFile();
    while (window.isJobRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    auto* scan = window.findChild<QPushButton*>(QStringLiteral("cmdScan"));
    std::vector<Measured> out;
    out.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i)
        out.push_back(measure([scan] { scan->click(); }, [&window] { return !window.isJobRunning(); }));
    return out;
}

std::vector<Measured> updateRun(int runs, const QString& databases)
{
    QTemporaryDir program;
    ProgramFolder::setOverride(program.path());
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
        if (!QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name),
                         program.filePath(QLatin1String(name))))
            return {};
    }
    gui::FrmIcd window(quietServices(), embeddedIn(databases));
    window.show();
    window.prepareOutputFolder();
    auto* process = window.findChild<QPushButton*>(QStringLiteral("cmdProcess"));
    std::vector<Measured> out;
    out.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i)
        out.push_back(measure([process] { process->click(); }, [&window] { return !window.isJobRunning(); }));
    return out;
}

std::vector<Measured> codeSearch(bool onRunner, int runs, const QString& databases)
{
    std::vector<Measured> out;
    for (int i = 0; i < runs; ++i) {
        std::unique_ptr<gui::FrmIcdSearch> dialog;
        if (onRunner) {
            out.push_back(measure(
                [&] {
                    dialog = std::make_unique<gui::FrmIcdSearch>(embeddedIn(databases));
                    dialog->show();
                },
                [&dialog] { return dialog && dialog->isLoaded(); }));
        } else {
            out.push_back(measure(
                [&] {
                    auto connection = db::Connection::open(embeddedIn(databases));
                    dialog = std::make_unique<gui::FrmIcdSearch>(bridges::IcdSearchIndex::load(*connection));
                    dialog->show();
                },
                [&dialog] { return dialog != nullptr; }));
        }
    }
    return out;
}

std::vector<Measured> sampleBuild(bool onRunner, int runs)
{
    std::vector<Measured> out;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir folder;
        bool built = false;
        out.push_back(measure(
            [&] {
                if (onRunner)
                    gui::provisionWithProgress(folder.path());
                else
                    sampledb::provisionEmbeddedFolder(folder.path());
                built = true;
            },
            [&built] { return built; }));
    }
    return out;
}

int runOne(const QString& job, const QString& where, int runs, const QString& databases)
{
    const bool onRunner = where == QLatin1String("runner");
    std::vector<Measured> figures;
    if (job == QLatin1String("list-load"))
        figures = listLoad(onRunner, runs, databases);
    else if (job == QLatin1String("code-search"))
        figures = codeSearch(onRunner, runs, databases);
    else if (job == QLatin1String("sample-build"))
        figures = sampleBuild(onRunner, runs);
    else if (job == QLatin1String("icd-scan") && onRunner)
        figures = icdScan(runs, databases);
    else if (job == QLatin1String("update-run") && onRunner)
        figures = updateRun(runs, databases);
    if (figures.empty()) {
        std::fprintf(stderr, "no figures for %s %s\n", qPrintable(job), qPrintable(where));
        return 1;
    }
    std::vector<double> pauses, seconds;
    for (const Measured& m : figures) {
        pauses.push_back(m.worstPauseMs);
        seconds.push_back(m.seconds);
    }
    std::printf("%.1f %.4f %ld\n", median(pauses), median(seconds), bench::ownPeakMemoryKb());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 6 && args[1] == QLatin1String("--one"))
        return runOne(args[2], args[3], std::max(1, args[4].toInt()), args[5]);

    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;
    QTextStream out(stdout);
    QTemporaryDir databases;
    sampledb::buildSampleDatabases(databases.path(), false);
    out << "median of " << runs << " runs each; pause: the longest gap between two ticks of a 10 ms timer\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg("job", -13)
               .arg("where", -11)
               .arg("pause ms", 9)
               .arg("median s", 9)
               .arg("peak MB", 8);
    out.flush();
    for (const char* job : {"list-load", "code-search", "sample-build", "icd-scan", "update-run"}) {
        for (const char* where : {"gui-thread", "runner"}) {
            const bool runnerOnly = QLatin1String(job) == QLatin1String("icd-scan") ||
                                    QLatin1String(job) == QLatin1String("update-run");
            if (runnerOnly && QLatin1String(where) != QLatin1String("runner"))
                continue;
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--one"), QLatin1String(job), QLatin1String(where),
                         QString::number(runs), databases.path()});
            child.waitForFinished(-1);
            const QStringList f =
                QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
            if (child.exitCode() != 0 || f.size() < 3) {
                out << job << " " << where
                    << " failed: " << QString::fromLocal8Bit(child.readAllStandardError());
                return 1;
            }
            out << QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(QLatin1String(job), -13)
                       .arg(QLatin1String(where), -11)
                       .arg(f[0].toDouble(), 9, 'f', 1)
                       .arg(f[1].toDouble(), 9, 'f', 3)
                       .arg(double(f[2].toLong()) / 1024.0, 8, 'f', 1);
            out.flush();
        }
    }
    return 0;
}
