// Apply and undo benchmark: the update run over the real 2024 rate lists "ICD PH 2024.txt"
// and "ICD PH 2024_PROCEDURE.txt" with description updates, against fresh embedded sample
// databases; then the apply of its changes (one write transaction, the undo file written
// before the commit; the run made again inside it, to check the record, also timed on its own)
// and the undo of that apply, each timed. Every run also checks the loop:
// a second update run after the apply records nothing to apply, and a third one after the undo
// records what the first did.
//
//   apply_bench [RUNS] [DELAY_MS]   RUNS default 5, DELAY_MS default 1: each configuration in a
//                                   child process of its own (so that its peak memory is its
//                                   own), fresh databases for each run: the apply and the undo
//                                   as the tool makes them (set statements), the line-by-line
//                                   reference (the same with a statement per row of every set
//                                   statement, as they were written before; one run only with
//                                   the delay), and the physical limit (the record or the undo
//                                   file and the rows of the tables they change read into
//                                   memory and compared there); each without and with DELAY_MS
//                                   slept before every statement of the apply and the undo
//   apply_bench --one METHOD DELAY_MS RUNS   one configuration, used by the driver
#include "BenchChild.h"
#include "Error.h"
#include "apply/ApplyRun.h"
#include "apply/RunRederive.h"
#include "apply/UndoApply.h"
#include "apply/UndoFile.h"
#include "caserates/UpdateRunJob.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "review/RunRecord.h"
#include "sampledb/SampleDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace orvex;

namespace {

jobs::Findings updateRun(const jobs::JobContext& context)
{
    caserates::UpdateRunParams params;
    params.updateDescriptions = true;
    caserates::UpdateRunJob job(params);
    job.run(context, {});
    return job.result().changes;
}

// The rows of the tables an apply of the update run changes, read whole into memory: by
// table, by key column, by the key as the collation sees it.
class TablesInMemory
{
public:
    explicit TablesInMemory(db::Connection& connection)
    {
        for (const auto& [database, table] : {std::pair{"Build_FILE", "tbICDdiagMain"},
                                              {"Medicare", "tbMedPackage"},
                                              {"Medicare", "tbMed_MedicalCaseRates"},
                                              {"Medicare", "tbMed_Procedures"},
                                              {"Medicare", "tbMedPackage_NEW"}}) {
            QSqlQuery q = connection.exec(QStringLiteral("select * from %1.%2").arg(database, table));
            Table& t = m_tables[QString::fromLatin1(table).toLower()];
            const QSqlRecord record = q.record();
            for (int c = 0; c < record.count(); ++c)
                t.columns.insert(record.fieldName(c).toLower(), c);
            while (q.next()) {
                QStringList row;
                for (int c = 0; c < record.count(); ++c)
                    row << q.value(c).toString();
                t.rows.push_back(std::move(row));
            }
        }
    }

    // The first row of `key` in `table` by `keyColumn`, or null.
    const QStringList* find(const QString& table, const QString& keyColumn, const QString& key)
    {
        Table* t = tableOf(table);
        if (t == nullptr)
            return nullptr;
        const int column = t->columns.value(keyColumn.trimmed().toLower(), -1);
        if (column < 0)
            return nullptr;
        QHash<QString, qsizetype>& index = t->byColumn[column];
        if (index.isEmpty()) {
            for (qsizetype i = qsizetype(t->rows.size()) - 1; i >= 0; --i)
                index.insert(db::ciAsKey(t->rows[size_t(i)][column]), i);
        }
        const auto it = index.constFind(db::ciAsKey(key));
        return it == index.cend() ? nullptr : &t->rows[size_t(*it)];
    }

    int column(const QString& table, const QString& name)
    {
        Table* t = tableOf(table);
        return t == nullptr ? -1 : t->columns.value(name.toLower(), -1);
    }

private:
    struct Table
    {
        QHash<QString, int> columns;
        std::vector<QStringList> rows;
        QHash<int, QHash<QString, qsizetype>> byColumn;
    };

    // "[Medicare].[dbo].[tbMedPackage]" or "tbMedPackage".
    Table* tableOf(const QString& name)
    {
        QString bare = name.section(QLatin1Char('.'), -1);
        bare.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        const auto it = m_tables.find(bare.toLower());
        return it == m_tables.end() ? nullptr : &*it;
    }

    QHash<QString, Table> m_tables;
};

// The physical limit of the apply: the record read, every row it names found in memory and
// compared with what the run read.
int compareRecordInMemory(db::Connection& connection, const QString& recordPath)
{
    const review::RunRecord record = review::readRunRecord(recordPath);
    TablesInMemory tables(connection);
    int compared = 0;
    for (const jobs::Finding& f : record.changes) {
        const QStringList* row = tables.find(f.table, f.keyColumn, f.key);
        if (row == nullptr)
            continue;
        for (auto it = f.read.cbegin(); it != f.read.cend(); ++it) {
            const int c = tables.column(f.table, it.key());
            compared += c >= 0 && row->value(c) == it.value() ? 1 : 0;
        }
    }
    return compared;
}

// The physical limit of the undo: the undo file read, every row of its steps found in memory.
int findUndoRowsInMemory(db::Connection& connection, const QString& undoFile)
{
    const apply::UndoRecord undo = apply::readUndoFile(undoFile);
    TablesInMemory tables(connection);
    int found = 0;
    for (const apply::UndoStep& step : undo.steps)
        found += tables.find(step.table, step.keyColumn, step.key) != nullptr ? 1 : 0;
    return found;
}

struct Measured
{
    std::vector<double> apply, undo, rederive;
    quint64 applyStatements = 0, undoStatements = 0;
};

// One configuration `runs` times; prints "apply_statements apply_s undo_statements undo_s
// rederive_s peak_kb" and exits 1 when the loop does not hold.
int runOne(const QString& method, int delayMs, const QString& rateFolder, int runs)
{
    Measured m;
    bool loopHolds = true;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dbDir, program;
        sampledb::buildSampleDatabases(dbDir.path(), false);
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
            const QString from = rateFolder + QLatin1Char('/') + QLatin1String(name);
            if (!QFile::copy(from, program.filePath(QLatin1String(name))))
                throw Error(QStringLiteral("cannot copy %1").arg(from));
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
        const db::LogIdentity who{QStringLiteral("bench"), QStringLiteral("bench")};
        const auto delayed = [&](bool on) {
            connection->setBeforeStatementHook(
                on && delayMs > 0 ? std::function<void()>([delayMs] { QThread::msleep(delayMs); })
                                  : std::function<void()>());
        };
        if (method == QLatin1String("per-row"))
            connection->setRowsPerSetStatement(1);

        delayed(true);
        QElapsedTimer timer;
        quint64 before = connection->statementsSent();
        if (method == QLatin1String("limit")) {
            timer.start();
            if (compareRecordInMemory(*connection, recordPath) == 0)
                throw Error(QStringLiteral("no row of the record compared"));
            m.apply.push_back(double(timer.nsecsElapsed()) / 1e9);
            m.applyStatements = connection->statementsSent() - before;
            // The undo file of a real apply, read the same way.
            delayed(false);
            const apply::ApplyResult applied =
                apply::applyRun(*connection, context.outputFolder(), who, QDateTime::currentDateTime());
            delayed(true);
            before = connection->statementsSent();
            timer.restart();
            if (findUndoRowsInMemory(*connection, applied.undoFile) == 0)
                throw Error(QStringLiteral("no row of the undo file found"));
            m.undo.push_back(double(timer.nsecsElapsed()) / 1e9);
            m.undoStatements = connection->statementsSent() - before;
            continue;
        }

        // What the apply spends on making the run again, measured on its own.
        const review::RunRecord recorded = review::readRunRecord(recordPath);
        timer.start();
        const review::RunRecord again = apply::rederiveRun(*connection, recorded, program.path());
        m.rederive.push_back(double(timer.nsecsElapsed()) / 1e9);
        loopHolds = loopHolds && apply::recordDifferences(recorded, again).isEmpty();

        before = connection->statementsSent();
        timer.restart();
        const apply::ApplyResult applied =
            apply::applyRun(*connection, context.outputFolder(), who, QDateTime::currentDateTime());
        m.apply.push_back(double(timer.nsecsElapsed()) / 1e9);
        m.applyStatements = connection->statementsSent() - before;

        // Notes (amounts of 0 in the list) stay; nothing is left to apply.
        delayed(false);
        updateRun(context);
        loopHolds = loopHolds && apply::countChanges(review::readRunRecord(recordPath)).total() == 0;

        delayed(true);
        before = connection->statementsSent();
        timer.restart();
        apply::undoApply(*connection, applied.undoFile, who, QDateTime::currentDateTime());
        m.undo.push_back(double(timer.nsecsElapsed()) / 1e9);
        m.undoStatements = connection->statementsSent() - before;

        delayed(false);
        loopHolds = loopHolds && updateRun(context) == first;
    }
    std::printf("%llu %.4f %llu %.4f %.4f %ld\n", static_cast<unsigned long long>(m.applyStatements),
                bench::median(m.apply), static_cast<unsigned long long>(m.undoStatements),
                bench::median(m.undo), bench::median(m.rederive), bench::ownPeakMemoryKb());
    if (!loopHolds)
        std::fprintf(stderr,
                     "loop (second run leaves nothing to apply, third run matches the first): BROKEN\n");
    return loopHolds ? 0 : 1;
}

struct ChildResult
{
    bench::ChildFigures apply, undo;
    double rederiveSeconds = 0;
};

bool runChild(const QStringList& args, ChildResult& result, QString& error)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    const QStringList f =
        QString::fromLatin1(child.readAllStandardOutput()).simplified().split(QLatin1Char(' '));
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || f.size() < 6) {
        error = QString::fromLocal8Bit(child.readAllStandardError());
        return false;
    }
    const double peakMb = double(f[5].toLong()) / 1024.0;
    result.apply = {f[0].toULongLong(), f[1].toDouble(), peakMb};
    result.undo = {f[2].toULongLong(), f[3].toDouble(), peakMb};
    result.rederiveSeconds = f[4].toDouble();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString rateFolder = QCoreApplication::applicationDirPath();
    try {
        if (args.size() >= 5 && args[1] == QLatin1String("--one"))
            return runOne(args[2], args[3].toInt(), rateFolder, args[4].toInt());
    } catch (const Error& e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;
    const int delayMs = args.size() > 2 ? std::max(0, args[2].toInt()) : 1;

    QTextStream out(stdout);
    out << runs << " runs per configuration (the line-by-line reference with the delay: 1), fresh "
        << "sample databases for each; the peak is the child's, apply and undo together\n\n";
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg("step", -6)
               .arg("method", -8)
               .arg("delay", 6)
               .arg(bench::figureHeads());
    out.flush();
    QHash<QString, double> medians;
    for (const int delay : {0, delayMs}) {
        for (const QString& method :
             {QStringLiteral("sets"), QStringLiteral("per-row"), QStringLiteral("limit")}) {
            const int childRuns = method == QLatin1String("per-row") && delay > 0 ? 1 : runs;
            ChildResult r;
            QString error;
            if (!runChild({"--one", method, QString::number(delay), QString::number(childRuns)}, r, error)) {
                out << method << " failed: " << error << "\n";
                return 1;
            }
            const QString d = QStringLiteral("%1 ms").arg(delay);
            for (const auto& [step, figures] :
                 {std::pair{QStringLiteral("apply"), r.apply}, {QStringLiteral("undo"), r.undo}}) {
                medians.insert(step + method + d, figures.medianSeconds);
                out << QStringLiteral("%1 %2 %3 %4\n")
                           .arg(step, -6)
                           .arg(method, -8)
                           .arg(d, 6)
                           .arg(bench::figureCells(figures));
            }
            if (method == QLatin1String("sets"))
                out << QStringLiteral("  of the apply, the run made again: median %1 s\n")
                           .arg(r.rederiveSeconds, 0, 'f', 3);
            out.flush();
        }
    }
    out << "\nratios, same step and delay:\n";
    for (const int delay : {0, delayMs}) {
        const QString d = QStringLiteral("%1 ms").arg(delay);
        for (const QString& step : {QStringLiteral("apply"), QStringLiteral("undo")}) {
            const double sets = medians.value(step + "sets" + d);
            out << QStringLiteral("  %1, %2: per-row / sets %3x, sets / limit %4x\n")
                       .arg(step, d)
                       .arg(medians.value(step + "per-row" + d) / sets, 0, 'f', 1)
                       .arg(sets / medians.value(step + "limit" + d), 0, 'f', 1);
        }
    }
    out << "loop (second run leaves nothing to apply, third run matches the first): holds\n";
    return 0;
}
