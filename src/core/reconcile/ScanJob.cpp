#include "reconcile/ScanJob.h"

#include "Error.h"
#include "db/CurrentUser.h"
#include "platform/ProgramFolder.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/LineClassifier.h"
#include "reconcile/ScanParamsJson.h"
#include "reconcile/ScanReportWriter.h"
#include "report/ReportFileSet.h"
#include "review/ReviewRun.h"
#include "review/RunRecord.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>

namespace orvex::reconcile {

namespace {
// Lines classified per round of batched lookups: small enough for the window to show
// progress early and to keep the rows held few, large enough to keep the statements few
// (two to four a round, whatever the round's size: the keys go as one JSON array).
constexpr int kPrefetchWindow = 10000;
// Lines split between two reports of the reading: splitting is quick, a report is not.
constexpr int kReadingStep = 500;

const QString kStoppedWritingLogLine = QStringLiteral(
    "*** The scan was stopped while it wrote its reports: no review page and no run record were written.");

ScanProgress phaseProgress(ScanPhase phase, int done, int count, const ScanState& state)
{
    ScanProgress step;
    step.phase = phase;
    step.linesDone = done;
    step.lineCount = count;
    step.counters = state.counters;
    step.groupName = state.groupName;
    step.packageId = state.packageId;
    return step;
}

std::unique_ptr<ScanLookups> makeLookups(LookupStrategy strategy, db::Connection& connection, bool phMode)
{
    return strategy == LookupStrategy::Batched ? makeBatchedLookups(connection, phMode)
                                               : makePerLineLookups(connection);
}

QString shortLine(const QString& line)
{
    return line.size() > 60 ? line.left(57) + QStringLiteral("...") : line;
}

QMap<jobs::Counter, int> counterMap(const ScanCounters& c)
{
    using jobs::Counter;
    return {{Counter::NewCode, c.newCode},
            {Counter::SameCodeAndDescription, c.sameCodeAndDescription},
            {Counter::SameCodeDifferentDescription, c.sameCodeDifferentDescription},
            {Counter::SameDescriptionDifferentCode, c.sameDescriptionDifferentCode},
            {Counter::PhNewCode, c.phNewCode},
            {Counter::PhSameDescription, c.phSameDescription},
            {Counter::PhSameCodeDifferentDescription, c.phSameCodeDifferentDescription},
            {Counter::LinesRead, c.linesRead}};
}

jobs::JobEnding toJobEnding(ScanEnding ending)
{
    switch (ending) {
    case ScanEnding::Finished:
        return jobs::JobEnding::Finished;
    case ScanEnding::Stopped:
        return jobs::JobEnding::Stopped;
    case ScanEnding::Abandoned:
        return jobs::JobEnding::Abandoned;
    }
    return jobs::JobEnding::Finished;
}

QStringList summaryLines(const ScanResult& r, bool ph, const QString& outputFolder)
{
    using jobs::Counter;
    const QMap<Counter, int> counts = counterMap(r.counters);
    QStringList lines;
    for (const Counter counter : jobs::kCounters) {
        const bool phCounter = counter == Counter::PhNewCode || counter == Counter::PhSameDescription ||
                               counter == Counter::PhSameCodeDifferentDescription;
        if (counts.contains(counter) && (ph || !phCounter))
            lines << jobs::summaryLine(counter, counts.value(counter));
    }
    lines << QStringLiteral("Reports and scripts: ") + QDir::toNativeSeparators(outputFolder);
    if (r.reviewWritten) {
        lines << QStringLiteral("Review page: ") +
                     QDir::toNativeSeparators(review::reviewPagePath(outputFolder))
              << QStringLiteral("Change list: ") +
                     QDir::toNativeSeparators(review::changeListPath(outputFolder));
    }
    return lines;
}
} // namespace

QString phaseCaption(ScanPhase phase, bool fixFormat)
{
    switch (phase) {
    case ScanPhase::Reading:
        return QStringLiteral("Reading the list");
    case ScanPhase::Comparing:
        return fixFormat ? QStringLiteral("Rewriting the lines")
                         : QStringLiteral("Comparing with the database");
    case ScanPhase::WritingReports:
        return QStringLiteral("Writing the reports");
    }
    return {};
}

QStringList readScanList(ScanList list, const QString& listFile)
{
    switch (list) {
    case ScanList::SourceFile:
        return ratelist::readSource(listFile).lines;
    case ScanList::UpdateResource:
        return listFile.isEmpty() ? ratelist::loadBuiltinUpdateResource()
                                  : ratelist::loadUpdateResourceFile(listFile);
    case ScanList::Given:
        break;
    }
    throw Error(
        QStringLiteral("The scan's lines were handed to it, not read from a file: they cannot be read "
                       "again."));
}

ScanJob::ScanJob(ScanParams params) : m_params(std::move(params)), m_lineCount(m_params.lines.size()) {}

ScanEnding ScanJob::ending() const
{
    switch (stopRequest()) {
    case jobs::StopRequest::None:
        return ScanEnding::Finished;
    case jobs::StopRequest::Stop:
        return ScanEnding::Stopped;
    case jobs::StopRequest::Abandon:
        return ScanEnding::Abandoned;
    }
    return ScanEnding::Finished;
}

review::RunCompleteness ScanJob::stoppedAt(int linesRead) const
{
    review::RunCompleteness completeness;
    const int lineCount = int(m_lineCount);
    if (linesRead >= lineCount || stopRequest() != jobs::StopRequest::Stop)
        return completeness;
    const QString list = m_params.sourceFile.isEmpty()
                             ? QStringLiteral("the update resource")
                             : QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(m_params.sourceFile));
    const QString unread = linesRead + 1 == lineCount
                               ? QStringLiteral("line %1").arg(lineCount)
                               : QStringLiteral("lines %1 to %2").arg(linesRead + 1).arg(lineCount);
    completeness.add(review::RunCompletion::Stopped,
                     QStringLiteral("%1 of %2: the scan was stopped").arg(unread, list));
    return completeness;
}

jobs::JobProgress ScanJob::toJobProgress(const ScanProgress& p)
{
    jobs::JobProgress out;
    out.linesDone = p.linesDone;
    out.lineCount = p.lineCount;
    out.text = phaseCaption(p.phase, p.fixFormat);
    out.counters = counterMap(p.counters);
    out.captions.insert(jobs::Caption::GroupName, p.groupName);
    out.captions.insert(jobs::Caption::PackageId, p.packageId);
    out.rowsAdded.reserve(p.newRows.size());
    for (const auto& [list, row] : p.newRows)
        out.rowsAdded.push_back({list, row.text, row.second});
    return out;
}

QJsonObject ScanJob::toJson(const ScanResult& r)
{
    QJsonObject counters;
    const QMap<jobs::Counter, int> values = counterMap(r.counters);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        counters.insert(jobs::jsonKey(it.key()), it.value());
    if (!r.rowsKept)
        return QJsonObject{{"counters", counters}};
    QJsonObject lists;
    for (const ResultList which : jobs::kResultLists) {
        QJsonArray rows;
        for (const auto& row : r.list(which)) {
            QJsonArray columns{row.text};
            if (jobs::hasSecondColumn(which))
                columns.append(row.second);
            rows.append(columns);
        }
        lists.insert(jobs::jsonKey(which), rows);
    }
    return QJsonObject{{"counters", counters}, {"lists", lists}};
}

ScanResult ScanJob::run(const ProgressFn& progress)
{
    jobs::JobContext context;
    context.programFolder = ProgramFolder::path();
    context.connection = m_params.connection;
    context.existingConnection = m_params.existingConnection;
    return scan(context, progress);
}

jobs::JobOutcome ScanJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    ProgressFn scanProgress;
    if (progress)
        scanProgress = [&progress](const ScanProgress& p) { progress(toJobProgress(p)); };
    ScanResult result = scan(context, scanProgress);

    jobs::JobOutcome outcome;
    outcome.ending = toJobEnding(result.ending);
    const review::RunCompleteness completeness = stoppedAt(result.counters.linesRead);
    if (result.stoppedWritingReports)
        outcome.messages << QStringLiteral(
            "Stopped while the reports were written: every line was compared and the reports and scripts "
            "are whole, but no review page and no run record were written, so \"Apply to database…\" "
            "has no run to apply. Run the scan again to review it.");
    else if (completeness.isComplete())
        outcome.messages << QStringLiteral("Done.  Click 'Open Output Folder' to view scripts.  Run "
                                           "script.txt, SameCodeDiffDesc Script.txt, "
                                           "and scriptPH.txt to update your database.");
    else
        outcome.messages << review::notCompleteMessage(completeness,
                                                       QStringLiteral("The reports and scripts"));
    outcome.summary = summaryLines(result, m_params.phMode, context.outputFolder());
    outcome.json = toJson(result);
    if (result.reviewWritten) {
        outcome.json.insert(QStringLiteral("review"),
                            QJsonObject{{"page", review::reviewPagePath(context.outputFolder())},
                                        {"changes", review::changeListPath(context.outputFolder())}});
    }
    outcome.statementsSent = result.statementsSent;
    outcome.elapsedSeconds = result.elapsedSeconds;
    m_result = std::move(result);
    return outcome;
}

ScanResult ScanJob::scan(const jobs::JobContext& context, const ProgressFn& progress)
{
    QElapsedTimer timer;
    timer.start();
    const ScanParams& p = m_params;
    if (p.lines.size() != m_lineCount)
        throw Error(QStringLiteral("This scan has run and let its lines go: start a new scan."));
    const int lineCount = int(p.lines.size());
    // An empty source is a choice not yet made: the reports of the last run stay as they are.
    if (lineCount == 0)
        throw Error(QStringLiteral("Select a file."));

    // Fix-format mode only rewrites lines: it needs no database.
    std::unique_ptr<db::Connection> ownConnection;
    db::Connection* connection =
        p.fixFormat ? context.existingConnection : &context.openConnection(ownConnection);
    const quint64 statementsBefore = connection ? connection->statementsSent() : 0;

    ScanState state;
    state.groupName = p.groupName;
    state.packageId = p.packageId;
    state.sourceFile = p.sourceFile;
    state.keepRows = p.keepResultRows;
    state.reportRows = bool(progress);
    state.net.reserve(lineCount);
    const QDateTime started = context.now();

    report::ReportFileSet files(context.outputFolder());
    // An earlier run's review files and record must not stand beside this run's reports.
    review::removeReviewFiles(context.outputFolder());
    review::removeRunRecord(context.outputFolder());
    files.openScanFiles(p.phMode);
    if (p.fixFormat)
        files.openFixFormatFile();

    ScanReportWriter writer(files);
    std::unique_ptr<ScanLookups> lookups =
        connection ? makeLookups(p.strategy, *connection, p.phMode) : nullptr;
    std::optional<LineClassifier> classifier;
    if (lookups)
        classifier.emplace(*lookups, writer, state, p.phMode);

    // The lines of one window of lookups, decoded and split: the reading splits the first
    // window, the comparing each later one as it gets there, so that a long list is never
    // held decoded or split whole.
    QStringList windowLines;
    std::vector<ratelist::ScanLine> split;
    int windowStart = 0;
    int windowEnd = 0; // the end of the lines split
    const auto splitWindow = [&](int from, bool reading) {
        windowLines.clear();
        split.clear();
        windowStart = from;
        const int end = std::min(lineCount, from + kPrefetchWindow);
        split.reserve(size_t(end - from));
        for (int i = from; i < end && (!reading || shouldContinue()); ++i) {
            windowLines.append(p.lines[i]);
            split.push_back(ratelist::splitScanLine(windowLines.back(), p.phMode));
            if (reading && progress && ((i + 1) % kReadingStep == 0 || i + 1 == end))
                progress(phaseProgress(ScanPhase::Reading, i + 1, end, state));
        }
        windowEnd = from + int(split.size());
    };
    if (!p.fixFormat)
        splitWindow(0, true);

    int index = 0;
    bool compared = false; // a failure from then on is the reports', not a line's
    try {
        while (index < lineCount && shouldContinue()) {
            if (p.fixFormat) {
                files.writeFixFormatLine(ratelist::fixFormatLine(p.lines[index]));
            } else {
                if (index == windowEnd)
                    splitWindow(index, false);
                if (index == windowStart) {
                    // The rows of the window, fetched at once by the batched strategy.
                    std::vector<PlannedLookup> planned;
                    QString group = state.groupName;
                    for (int i = windowStart; i < windowEnd; ++i) {
                        const ratelist::ScanLine& item = split[size_t(i - windowStart)];
                        if (item.kind == ratelist::ScanLine::Kind::GroupHeader)
                            group = item.groupName;
                        else if (!ratelist::isBlankLine(windowLines[i - windowStart]))
                            planned.push_back({item.code, item.description, group});
                    }
                    lookups->prefetch(planned);
                }
                const ratelist::ScanLine& item = split[size_t(index - windowStart)];
                const QString& line = windowLines[index - windowStart];
                // A blank line (a stray empty one, the resource's empty last item) is
                // counted but is no code: it would script an INSERT of an empty code.
                if (item.kind == ratelist::ScanLine::Kind::GroupHeader)
                    state.groupName = item.groupName;
                else if (!ratelist::isBlankLine(line)) {
                    state.lineNumber = index + 1;
                    classifier->classify(item);
                }
            }
            ++index;
            ++state.counters.linesRead;
            if (progress) {
                ScanProgress step{index,           lineCount,       state.counters,
                                  state.groupName, state.packageId, std::move(state.rowsOfLine)};
                step.fixFormat = p.fixFormat;
                progress(step);
            }
            state.rowsOfLine.clear();
        }

        // Every line is compared: the list is no longer needed, and a long one weighs as much
        // as the run's changes, which the reports now write (the window keeps its own copy).
        m_params.lines = {};
        compared = true;

        ScanResult result;
        result.ending = ending();
        const review::RunCompleteness completeness = stoppedAt(index);
        // A stop before this phase made the run a stopped one, written whole as such; a stop
        // from here on ends the writing after the current file.
        const bool stoppedBefore = !shouldContinue();
        const bool review = !p.fixFormat && result.ending != ScanEnding::Abandoned;
        const int fileCount = review ? 4 : 1;
        int filesDone = 0;
        auto fileWritten = [&] {
            ++filesDone;
            if (progress)
                progress(phaseProgress(ScanPhase::WritingReports, filesDone, fileCount, state));
            return stoppedBefore || shouldContinue();
        };
        bool goOn = true;
        if (result.ending != ScanEnding::Abandoned) {
            writer.summary({state.rowCount(ResultList::NewCode),
                            state.rowCount(ResultList::SameCodeAndDescription),
                            state.rowCount(ResultList::SameCodeDifferentDescription),
                            state.rowCount(ResultList::SameDescriptionDifferentCode)},
                           context.now());
            for (const QString& line : review::notReadLogLines(completeness))
                files.writeLine(report::Slot::LogFile, line);
            goOn = fileWritten();
        }
        // The reports and scripts take their places last, once nothing else can fail.
        if (review && goOn) {
            // The page shows what an apply makes, and apart from it what a later line replaced.
            jobs::Findings net = state.net.take();
            const jobs::Findings overridden = state.net.takeOverridden();
            review::ReviewRun run;
            run.title = p.phMode ? QStringLiteral("PH scan") : QStringLiteral("ICD scan");
            if (!p.sourceFile.isEmpty())
                run.sources = {p.sourceFile};
            run.when = started;
            run.user = p.user.isEmpty() ? db::CurrentUser::systemUserName() : p.user;
            run.database = connection->settings().describe();
            run.overridden = overridden;
            run.notRead = completeness.notRead;
            if (p.phMode)
                run.classes = review::kPhScanClasses;
            else {
                run.classes = review::kIcdScanClasses;
                run.amountColumns = {};
            }

            review::RunRecord record =
                review::newRunRecord(QString::fromUtf16(p.phMode ? review::kPhScanRun : review::kScanRun),
                                     started, run.user, run.database);
            record.params = scanParamsJson(p, index);
            record.completeness = completeness;
            record.changes = std::move(net);
            run.recordDigest = review::writeRunRecord(record, context.outputFolder());
            // The page and the list show what the record holds: handed over, not copied.
            run.changes = std::move(record.changes);
            goOn = fileWritten();
            if (goOn) {
                review::writeReviewPageFile(run, context.outputFolder());
                goOn = fileWritten();
            }
            if (goOn) {
                review::writeChangeListFile(run, context.outputFolder());
                fileWritten();
                result.reviewWritten = true;
            }
        }
        if (review && !result.reviewWritten) {
            // Half a review would look like a whole one: none stands beside the scripts.
            review::removeReviewFiles(context.outputFolder());
            review::removeRunRecord(context.outputFolder());
            files.writeLine(report::Slot::LogFile, kStoppedWritingLogLine);
            result.stoppedWritingReports = true;
            result.ending = ScanEnding::Stopped;
        }
        if (p.fixFormat)
            files.closeFixFormatFile();
        files.closeAll();
        result.counters = state.counters;
        result.rowsKept = state.keepRows;
        result.changes = std::move(state.changes);
        result.lists = std::move(state.lists);
        result.groupName = state.groupName;
        result.packageId = state.packageId;
        result.statementsSent = connection ? connection->statementsSent() - statementsBefore : 0;
        result.elapsedSeconds = double(timer.elapsed()) / 1000.0;
        return result;
    } catch (const std::exception& e) {
        const auto* error = dynamic_cast<const Error*>(&e);
        const QString reason = error ? error->message() : QString::fromLocal8Bit(e.what());
        const QString message = !compared && index < lineCount
                                    ? QStringLiteral("The scan stopped at line %1 (\"%2\"): %3")
                                          .arg(index + 1)
                                          .arg(shortLine(p.lines[index]), reason)
                                    : QStringLiteral("The scan could not finish its reports: %1").arg(reason);
        files.recordFailure(message);
        files.closeUnfinished();
        // What the page and the record say would not match the scripts left.
        review::removeReviewFiles(context.outputFolder());
        review::removeRunRecord(context.outputFolder());
        throw Error(error ? error->kind() : Error::Kind::Refused, message);
    }
}

} // namespace orvex::reconcile
