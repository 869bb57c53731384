#include "cli/JobCommand.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>

namespace orvex::cli {

QJsonObject withFormat(QJsonObject json)
{
    json.insert(QStringLiteral("format"), kJsonFormat);
    return json;
}

jobs::JobContext jobContext(db::Connection* connection)
{
    jobs::JobContext context;
    context.programFolder = ProgramFolder::path();
    context.existingConnection = connection;
    if (connection)
        context.connection = connection->settings();
    return context;
}

int runJob(CliContext& ctx, jobs::Job& job, const jobs::JobContext& context, const JobRunOptions& options)
{
    QElapsedTimer timer;
    timer.start();
    jobs::ProgressFn progress;
    bool shown = false; // a progress line is on the terminal
    if (ctx.stderrIsTerminal && !options.json) {
        progress = [&ctx, &job, &shown, last = qint64(-1), &timer,
                    text = QString()](jobs::JobProgress&& p) mutable {
            if (!p.text.isNull() && p.text != text) {
                if (last >= 0)
                    ctx.err << "\n";
                text = p.text;
                last = -1;
            }
            const qint64 now = timer.elapsed();
            const bool end = p.lineCount > 0 && p.linesDone == p.lineCount;
            if (!end && last >= 0 && now - last < 100)
                return;
            last = now;
            ctx.err << "\r" << job.title();
            if (!text.isEmpty())
                ctx.err << " (" << text << ")";
            ctx.err << ": " << p.linesDone << " / " << p.lineCount << Qt::flush;
            shown = true;
        };
    }
    const jobs::JobOutcome outcome = job.run(context, progress);
    if (shown)
        ctx.err << "\n" << Qt::flush;

    if (options.json) {
        ctx.out << QJsonDocument(withFormat(outcome.json)).toJson(QJsonDocument::Compact) << "\n";
    } else {
        for (const QString& line : outcome.summary) { // one line each, stored text in some
            ctx.out << oneField(line) << "\n";
            ctx.checkOutput();
        }
        for (const QString& file : outcome.filesToOpen)
            ctx.out << "Open: " << shownLines(QDir::toNativeSeparators(file)) << "\n";
    }
    for (const QString& failure : outcome.failures)
        ctx.err << "orvex-cli: " << shownLines(failure) << "\n";
    if (options.stats) {
        ctx.err << "statements: " << outcome.statementsSent << "\n"
                << "elapsed: " << QString::number(double(timer.elapsed()) / 1000.0, 'f', 3) << " s\n";
    }
    ctx.err.flush();
    if (!options.anotherJobFollows)
        ctx.finishOutput();
    return outcome.failures.isEmpty() ? 0 : kExitFailuresPassedOver;
}

} // namespace orvex::cli
