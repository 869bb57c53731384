#include "reconcile/ScanJob.h"

#include "Error.h"
#include "ratelist/RateLine.h"
#include "reconcile/LineClassifier.h"
#include "reconcile/ScanReportWriter.h"
#include "report/ReportFileSet.h"

#include <QElapsedTimer>

namespace orvex::reconcile {

namespace {
// Lines classified per round of batched lookups: small enough for the window to show
// progress early, large enough to keep the statements few.
constexpr int kPrefetchWindow = 2000;

std::unique_ptr<ScanLookups> makeLookups(LookupStrategy strategy, db::Connection& connection, bool phMode)
{
    return strategy == LookupStrategy::Batched ? makeBatchedLookups(connection, phMode)
                                               : makePerLineLookups(connection);
}

QString shortLine(const QString& line)
{
    return line.size() > 60 ? line.left(57) + QStringLiteral("...") : line;
}
} // namespace

ScanJob::ScanJob(ScanParams params) : m_params(std::move(params)) {}

ScanResult ScanJob::run(const ProgressFn& progress)
{
    QElapsedTimer timer;
    timer.start();
    const ScanParams& p = m_params;
    const int lineCount = int(p.lines.size());
    // An empty source is a choice not yet made: the reports of the last run stay as they are.
    if (lineCount == 0)
        throw Error(QStringLiteral("Select a file."));

    // Fix-format mode only rewrites lines: it needs no database.
    std::unique_ptr<db::Connection> ownConnection;
    db::Connection* connection = p.existingConnection;
    if (!connection && !p.fixFormat) {
        ownConnection = db::Connection::open(p.connection);
        connection = ownConnection.get();
    }
    const quint64 statementsBefore = connection ? connection->statementsSent() : 0;

    ScanState state;
    state.groupName = p.groupName;
    state.packageId = p.packageId;

    report::ReportFileSet files;
    files.OpenScanFiles(p.phMode);
    if (p.fixFormat)
        files.openFixFormatFile();

    ScanReportWriter writer(files);
    std::unique_ptr<ScanLookups> lookups =
        connection ? makeLookups(p.strategy, *connection, p.phMode) : nullptr;
    std::optional<LineClassifier> classifier;
    if (lookups)
        classifier.emplace(*lookups, writer, state, p.phMode);

    std::vector<ratelist::ScanLine> window; // split lines of the current prefetch window
    int windowStart = 0;
    int index = 0;
    try {
        while (index < lineCount && m_stop.load() == ScanEnding::Finished) {
            const QString& line = p.lines[index];
            if (p.fixFormat) {
                files.writeFixFormatLine(ratelist::fixFormatLine(line));
            } else {
                if (index == windowStart + int(window.size())) {
                    // Split the next window and, for the batched strategy, fetch its rows.
                    windowStart = index;
                    window.clear();
                    std::vector<PlannedLookup> planned;
                    QString group = state.groupName;
                    const int end = std::min(lineCount, index + kPrefetchWindow);
                    for (int i = index; i < end; ++i) {
                        window.push_back(ratelist::splitScanLine(p.lines[i], p.phMode));
                        const ratelist::ScanLine& split = window.back();
                        if (split.kind == ratelist::ScanLine::Kind::GroupHeader)
                            group = split.groupName;
                        else if (!ratelist::isBlankLine(p.lines[i]))
                            planned.push_back({split.code, split.description, group});
                    }
                    lookups->prefetch(planned);
                }
                const ratelist::ScanLine& split = window[index - windowStart];
                // A blank line (a stray empty one, the resource's empty last item) is
                // counted but is no code: it would script an INSERT of an empty code.
                if (split.kind == ratelist::ScanLine::Kind::GroupHeader)
                    state.groupName = split.groupName;
                else if (!ratelist::isBlankLine(line))
                    classifier->classify(split);
            }
            ++index;
            ++state.counters.lblCount;
            if (progress) {
                progress(ScanProgress{index, lineCount, state.counters, state.groupName, state.packageId,
                                      std::move(state.rowsOfLine)});
            }
            state.rowsOfLine.clear();
        }

        ScanResult result;
        result.ending = m_stop.load();
        if (p.fixFormat)
            files.closeFixFormatFile();
        if (result.ending != ScanEnding::WindowClosing) {
            writer.summary(
                {state.rowCount(ResultList::NewCode), state.rowCount(ResultList::SameCodeDescription),
                 state.rowCount(ResultList::SameCodeDifDesc), state.rowCount(ResultList::SameDescDifCode)},
                QDateTime::currentDateTime());
        }
        files.closeAll();
        result.counters = state.counters;
        result.lists = std::move(state.lists);
        result.groupName = state.groupName;
        result.packageId = state.packageId;
        result.statementsSent = connection ? connection->statementsSent() - statementsBefore : 0;
        result.elapsedSeconds = timer.elapsed() / 1000.0;
        return result;
    } catch (const std::exception& e) {
        const QString reason = dynamic_cast<const Error*>(&e) ? static_cast<const Error&>(e).message()
                                                              : QString::fromLocal8Bit(e.what());
        const QString message = index < lineCount
                                    ? QStringLiteral("The scan stopped at line %1 (\"%2\"): %3")
                                          .arg(index + 1)
                                          .arg(shortLine(p.lines[index]), reason)
                                    : QStringLiteral("The scan could not finish its reports: %1").arg(reason);
        files.recordFailure(message);
        files.CloseReportFiles();
        throw Error(message);
    }
}

} // namespace orvex::reconcile
