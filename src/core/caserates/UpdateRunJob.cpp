#include "caserates/UpdateRunJob.h"

#include "caserates/UpdateRunOutput.h"

#include "Error.h"
#include "caserates/CaseRatePass.h"
#include "caserates/CaseRateWriter.h"
#include "caserates/RateFileLine.h"
#include "caserates/RateLookups.h"
#include "caserates/UpdateRunParamsJson.h"
#include "db/CurrentUser.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "reconcile/ScanTypes.h"
#include "report/ReportFileSet.h"
#include "review/ReviewRun.h"
#include "review/RunRecord.h"
#include "text/Blanks.h"
#include "text/DescriptionMatch.h"
#include "text/Numbers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace orvex::caserates {

namespace {
using jobs::Finding;

// Lines that fail one after the other before the run takes the database for lost.
constexpr int kFailedLinesInARow = 3;

QString applicationError(const QString& description, int line)
{
    return description + QStringLiteral("\r\nin Orvex.frmICD.Proc at line ") + QString::number(line);
}

// What keeps a line from being read field by field, or nothing. A lone line feed means a
// file saved with other line ends: the next lines are inside this one, and an amount would
// run on into the next code ("3000" LF "90000" reads 300090000). A NUL ends a list item, so
// the fields after it would read as empty and the amounts as 0.
QString unreadableLine(const QString& line)
{
    if (line.contains(QLatin1Char('\n')))
        return QStringLiteral("holds a line feed without a carriage return (save the file with Windows "
                              "line ends, CR LF)");
    if (line.contains(QChar(u'\0')))
        return QStringLiteral("holds a NUL character");
    return {};
}

QString valueText(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

jobs::Values listedValues(const RateFileLine& l)
{
    return {{QStringLiteral("Description"), l.description},
            {QStringLiteral("Package"), l.description},
            {QStringLiteral("Amount"), l.amount},
            {QStringLiteral("PF"), l.pf},
            {QStringLiteral("MedRoomBoard"), l.medRoomBoard}};
}

QMap<jobs::Counter, int> counterMap(const PassCounters& c)
{
    QMap<jobs::Counter, int> counters;
    for (const auto& [counter, count] : passCounts(c))
        counters.insert(counter, count);
    return counters;
}

// The lines each pass walked, for the record: a stop ends a pass before its end.
PassLines linesRead(const std::vector<UpdatePass>& passes)
{
    PassLines lines{};
    for (size_t i = 0; i < passes.size() && i < lines.size(); ++i)
        lines[i] = passes[i].counters.linesRead;
    return lines;
}
} // namespace

QString UpdateRunJob::doneMessage()
{
    return QStringLiteral(
        "Done.  Click 'Open Output Folder' to view scripts.  Run  scriptPH.txt to update your "
        "database, changes could be seen at ICD Parser Log.txt.");
}

jobs::JobOutcome UpdateRunJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();

    report::ReportFileSet files(context.outputFolder());
    files.openUpdateFiles(true);
    // An earlier run's review files must not stand beside this run's reports.
    const QDir output(context.outputFolder());
    const QString pagePath = output.filePath(QString::fromUtf16(review::kReviewPageName));
    const QString listPath = output.filePath(QString::fromUtf16(review::kChangeListName));
    const QString recordPath = output.filePath(QString::fromUtf16(review::kRunRecordName));
    report::deleteFileQuietly(pagePath);
    report::deleteFileQuietly(listPath);
    report::deleteFileQuietly(recordPath);
    m_result = {};
    UpdateRunResult& result = m_result;
    m_net = {};
    const QDateTime started = context.now();

    QStringList logBox;
    QStringList failures;
    jobs::JobOutcome outcome;
    try {
        result.passes.push_back(
            runPass(CaseRatePass::diagnosis(), context, connection, files, progress, logBox, failures));
        if (stopRequest() != jobs::StopRequest::Abandon) {
            takeStopRequest(); // a stop ended the diagnosis pass only
            result.passes.push_back(
                runPass(CaseRatePass::procedure(), context, connection, files, progress, logBox, failures));
        }
        result.changes = m_net.take();
        const jobs::Findings overridden = m_net.takeOverridden();
        if (stopRequest() != jobs::StopRequest::Abandon) {
            review::ReviewRun run;
            run.title = QStringLiteral("Update run");
            run.sources = {context.programFile(m_params.fileBase + CaseRatePass::diagnosis().fileEnding),
                           context.programFile(m_params.fileBase + CaseRatePass::procedure().fileEnding)};
            run.when = started;
            run.user = m_params.user.isEmpty() ? db::CurrentUser::systemUserName() : m_params.user;
            run.database = connection.settings().describe();
            run.changes = result.changes;
            run.overridden = overridden;
            run.notRead = result.completeness.notRead;
            if (!m_params.updateDescriptions)
                run.notApplied.insert(
                    review::ChangeClass::DescriptionChange,
                    QStringLiteral("the run was made without \"Update Descriptions\": "
                                   "scriptPH.txt holds no description updates, and an apply "
                                   "leaves these descriptions as they are"));

            review::RunRecord record =
                review::newRunRecord(QString::fromUtf16(review::kUpdateRun), started, run.user, run.database);
            record.verB = m_params.verB;
            record.updateDescriptions = m_params.updateDescriptions;
            record.testSuffix = m_params.testSuffix;
            record.params = updateRunParamsJson(m_params, linesRead(result.passes));
            record.completeness = result.completeness;
            if (m_params.recordOnly) {
                record.changes = result.changes;
                result.record = std::move(record);
            } else {
                record.changes = std::move(result.changes); // lent for the write, not copied
                struct GiveBack
                {
                    jobs::Findings& to;
                    jobs::Findings& from;
                    ~GiveBack() { to = std::move(from); }
                } giveBack{result.changes, record.changes};
                run.recordDigest = review::writeRunRecord(record, context.outputFolder());
                review::writeReviewFiles(run, context.outputFolder());
                result.reviewPage = pagePath;
            }
        }
        if (stopRequest() != jobs::StopRequest::Abandon) {
            for (const QString& line : review::notReadLogLines(result.completeness))
                files.writeLine(report::Slot::LogFile, line);
        }
        // The reports and scripts take their places last, once nothing else can fail; a
        // window closed during the run leaves its scripts marked as unfinished.
        if (stopRequest() == jobs::StopRequest::Abandon)
            files.closeUnfinished();
        else
            files.closeAll(); // a write that failed surfaces here, naming the file
    } catch (const Error& e) {
        // A lost database or a full disk: the half-written log says so, the scripts say they
        // must not be run, and the review files and the record, which would not match, go.
        files.recordFailure(e.message());
        files.closeUnfinished();
        report::deleteFileQuietly(pagePath);
        report::deleteFileQuietly(listPath);
        report::deleteFileQuietly(recordPath);
        throw;
    }
    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = double(timer.elapsed()) / 1000.0;
    outcome.failures = failures;
    if (stopRequest() == jobs::StopRequest::Abandon) {
        outcome.ending = jobs::JobEnding::Abandoned;
        return outcome;
    }

    const QStringList closing = {QStringLiteral("New Packages will need to be created manually"),
                                 QStringLiteral("Check script.txt for new package details/scripts.")};
    logBox << closing;
    if (progress) {
        jobs::JobProgress last;
        last.logLines = closing;
        progress(std::move(last));
    }
    outcome.ending =
        stopRequest() == jobs::StopRequest::Stop ? jobs::JobEnding::Stopped : jobs::JobEnding::Finished;
    outcome.messages << (result.completeness.isComplete()
                             ? doneMessage()
                             : review::notCompleteMessage(result.completeness,
                                                          QStringLiteral("script.txt and scriptPH.txt")));
    outcome.filesToOpen << files.path(report::Slot::LogFile) << files.path(report::Slot::ScriptPHFile);

    QString logBoxText = m_params.logText;
    for (const QString& line : std::as_const(logBox))
        logBoxText += QStringLiteral("\r\n") + line;
    const UpdateRunFiles written{context.outputFolder(), pagePath, listPath, recordPath};
    outcome.json = updateRunJson(result, logBoxText, outcome.messages, written);
    outcome.summary = updateRunSummary(result, written);
    return outcome;
}

UpdatePass UpdateRunJob::runPass(const CaseRatePass& pass, const jobs::JobContext& context,
                                 db::Connection& connection, report::ReportFileSet& files,
                                 const jobs::ProgressFn& progress, QStringList& logBox, QStringList& failures)
{
    const UpdateRunParams& p = m_params;
    const QString path = context.programFile(p.fileBase + pass.fileEnding);
    const QString listName = QFileInfo(path).fileName();
    QStringList passErrors;
    auto fail = [&](const QString& text, int line, jobs::JobProgress* step) {
        const QString message = applicationError(text, line);
        passErrors << message;
        failures << message;
        if (step)
            step->failures << message;
    };

    jobs::JobProgress start;
    start.clearViews = true;
    start.text = pass.name + QStringLiteral(" pass");
    start.captions.insert(jobs::Caption::SourceFile, QStringLiteral("Source File: ") + p.selectedSourceFile);
    // The scan's counters too: they stay 0 in this run.
    for (const jobs::Counter counter : jobs::kCounters)
        start.counters.insert(counter, 0);
    PassCounters counters;

    QStringList lines;
    try {
        lines = ratelist::readSourceFile(path);
    } catch (const Error& e) {
        fail(e.message(), 0, &start); // reported once; the pass runs with no lines
        m_result.completeness.add(review::RunCompletion::Incomplete,
                                  QStringLiteral("the whole %1 list: %2").arg(pass.name, e.message()));
    }
    const int lineCount = int(lines.size());
    start.lineCount = lineCount;
    if (progress)
        progress(std::move(start));

    std::unique_ptr<RateLookups> lookups;
    if (p.strategy == reconcile::LookupStrategy::Batched) {
        lookups = makeBatchedRateLookups(connection, pass.procedures, p.verB);
        QStringList codes;
        codes.reserve(lineCount);
        for (const QString& line : std::as_const(lines)) {
            if (!ratelist::isBlankLine(line) && unreadableLine(line).isEmpty())
                codes << RateFileLine::parse(line).code;
        }
        try {
            lookups->prefetch(codes);
        } catch (const Error&) {
            // Line by line instead: each line then reports its own failure.
            lookups = makePerLineRateLookups(connection, pass.procedures);
        }
    } else {
        lookups = makePerLineRateLookups(connection, pass.procedures);
    }

    CaseRateWriter writer(files, pass, p.testSuffix, p.updateDescriptions, logBox);
    std::vector<reconcile::ResultRow> newCodes, changedDescriptions;
    QString packageId = p.packageId;
    int failedInARow = 0;
    // A line left out: named in the record, so that an apply does not take the run for whole.
    auto leftOut = [&](int line, const QString& why) {
        m_result.completeness.add(review::RunCompletion::Incomplete,
                                  QStringLiteral("line %1 of \"%2\": %3").arg(line).arg(listName, why));
    };
    // Every lookup of a line first, then its findings in the order their lines are written.
    auto classify = [&](const RateFileLine& l, int i, jobs::JobProgress& step) {
        jobs::Findings findings;
        auto finding = [&](Finding::Kind kind, const QString& table, const QString& key) {
            Finding f;
            f.kind = kind;
            f.table = table;
            f.key = key;
            f.code = l.code;
            f.sourceLine = i + 1;
            f.sourceFile = path;
            return f;
        };
        const QString newStyleTable = QString::fromUtf16(kNewStyleTable);
        const QString packageTable = QString::fromUtf16(kPackageTable);
        if (p.verB && !lookups->newStyleExists(l.code)) {
            Finding f = finding(Finding::Kind::NewRow, newStyleTable, l.code);
            f.keyColumn = QStringLiteral("Code");
            f.proposed = listedValues(l);
            findings.push_back(f);
            ++counters.phNewCode;
        }
        std::optional<CaseRateHit> hit = lookups->caseRate(l.code);
        if (!hit)
            hit = lookups->caseRate(withoutBlanks(l.code));
        if (!hit) {
            Finding f = finding(Finding::Kind::NewRow, pass.table, l.code);
            f.keyColumn = pass.codeColumn;
            f.proposed = listedValues(l);
            f.proposed.insert(QStringLiteral("CaseType"), pass.caseType);
            findings.push_back(f);
            newCodes.push_back({l.code + QStringLiteral(" - ") + l.description, QString()});
            step.rowsAdded.push_back({jobs::ResultList::PhNewCode, newCodes.back().text, QString()});
            ++counters.phNewCode;
        } else {
            packageId = valueText(hit->packageId);
            if (const std::optional<PackageHit> package = lookups->package(packageId)) {
                const double amount = numbers::leadingNumber(valueText(package->amount));
                const double pf = numbers::leadingNumber(valueText(package->pf));
                const double medRoomBoard = numbers::leadingNumber(valueText(package->medRoomBoard));
                auto packageFinding = [&](Finding::Kind kind) {
                    Finding f = finding(kind, packageTable, packageId);
                    f.keyColumn = QStringLiteral("PackageID");
                    f.read = {{QStringLiteral("Amount"), numbers::shortestText(amount)},
                              {QStringLiteral("PF"), numbers::shortestText(pf)},
                              {QStringLiteral("MedRoomBoard"), numbers::shortestText(medRoomBoard)}};
                    f.proposed = listedValues(l);
                    return f;
                };
                if (numbers::roundTo2(l.amountValue) != amount || numbers::roundTo2(l.pfValue) != pf ||
                    numbers::roundTo2(l.medRoomBoardValue) != medRoomBoard) {
                    findings.push_back(packageFinding(Finding::Kind::ChangedValues));
                    ++counters.phNewRate;
                } else {
                    findings.push_back(packageFinding(Finding::Kind::SameRow));
                }
                if (l.amountValue == 0 || l.pfValue == 0 || l.medRoomBoardValue == 0)
                    findings.push_back(packageFinding(Finding::Kind::ZeroAmount));
            }
            const QString stored = valueText(hit->description);
            // A change of case only is the same description; blanks or apostrophes count nowhere.
            switch (text::compareDescriptions(l.description, stored)) {
            case text::DescriptionMatch::Same:
            case text::DescriptionMatch::CaseOnly: {
                Finding f = finding(Finding::Kind::SameRow, pass.table, l.code);
                f.keyColumn = pass.codeColumn;
                f.proposed = {{QStringLiteral("Description"), l.description}};
                findings.push_back(f);
                ++counters.phSameDescription;
                break;
            }
            case text::DescriptionMatch::Changed: {
                Finding f = finding(Finding::Kind::ChangedValues, pass.table, l.code);
                f.keyColumn = pass.codeColumn;
                f.read = {{QStringLiteral("Description"), stored}};
                f.proposed = {{QStringLiteral("Description"), l.description}};
                findings.push_back(f);
                ++counters.phSameCodeDifferentDescription;
                changedDescriptions.push_back({l.code + QStringLiteral(" - ") + stored,
                                               trimBlanks(l.code).toString() + QStringLiteral(" - ") +
                                                   trimBlanks(l.description).toString()});
                step.rowsAdded.push_back({jobs::ResultList::PhSameCodeDifferentDescription,
                                          changedDescriptions.back().text,
                                          changedDescriptions.back().second});
                break;
            }
            case text::DescriptionMatch::BlanksOrApostrophes:
                break;
            }
        }
        if (p.verB) {
            Finding f = finding(Finding::Kind::ReplacementValues, newStyleTable, l.code);
            f.keyColumn = QStringLiteral("Code");
            f.proposed = listedValues(l);
            findings.push_back(f);
        }
        return findings;
    };
    int i = 0;
    for (; i < lineCount && shouldContinue(); ++i) {
        const RateFileLine l = RateFileLine::parse(lines[i]);
        jobs::JobProgress step;
        step.captions.insert(jobs::Caption::GroupName, l.header);
        const qsizetype logBoxBefore = logBox.size();

        // A blank line (a stray empty one, one of blanks and tabs) is counted but is no code:
        // it would script a package and a case rate for an empty code.
        jobs::Findings findings;
        if (const QString unreadable = unreadableLine(lines[i]); !unreadable.isEmpty()) {
            fail(QStringLiteral("Line %1 of \"%2\" %3; the line is left out.")
                     .arg(i + 1)
                     .arg(QDir::toNativeSeparators(path), unreadable),
                 i + 1, &step);
            leftOut(i + 1, unreadable);
        } else if (!ratelist::isBlankLine(lines[i])) {
            try {
                findings = classify(l, i, step);
                failedInARow = 0;
            } catch (const Error& e) {
                // The line is left out; its counts taken so far stay, as the window showed them.
                fail(e.message(), i + 1, &step);
                leftOut(i + 1, e.message());
                if (++failedInARow >= kFailedLinesInARow)
                    throw Error(
                        Error::Kind::Database,
                        QStringLiteral("The update run stopped at line %1 of %2: the database no longer "
                                       "answers (%3). The report files are incomplete. Not read: lines %4 "
                                       "to %5 of \"%6\"%7.")
                            .arg(i + 1)
                            .arg(QDir::toNativeSeparators(path), e.message())
                            .arg(i + 2 - kFailedLinesInARow)
                            .arg(lineCount)
                            .arg(listName, pass.procedures
                                               ? QString()
                                               : QStringLiteral(" and the whole procedure list")));
            }
        }
        for (Finding& f : findings) {
            writer.write(f);
            m_net.add(std::move(f));
        }

        ++counters.linesRead;
        step.linesDone = i + 1;
        step.lineCount = lineCount;
        step.counters = counterMap(counters);
        step.captions.insert(jobs::Caption::PackageId, packageId);
        step.logLines = logBox.mid(logBoxBefore);
        if (progress)
            progress(std::move(step));
    }

    if (i < lineCount && stopRequest() == jobs::StopRequest::Stop) {
        const QString unread = i + 1 == lineCount
                                   ? QStringLiteral("line %1").arg(lineCount)
                                   : QStringLiteral("lines %1 to %2").arg(i + 1).arg(lineCount);
        m_result.completeness.add(
            review::RunCompletion::Stopped,
            QStringLiteral("%1 of \"%2\": the %3 pass was stopped").arg(unread, listName, pass.name));
    }
    if (stopRequest() != jobs::StopRequest::Abandon) {
        const qsizetype logBoxBefore = logBox.size();
        writer.passSummary(counters, context.now());
        if (progress) {
            jobs::JobProgress summary;
            summary.linesDone = counters.linesRead;
            summary.lineCount = lineCount;
            summary.logLines = logBox.mid(logBoxBefore);
            progress(std::move(summary));
        }
    }

    return UpdatePass{pass.name,
                      path,
                      lineCount,
                      passErrors,
                      counters,
                      std::move(newCodes),
                      std::move(changedDescriptions)};
}

} // namespace orvex::caserates
