#include "caserates/UpdateRunOutput.h"

#include <QDir>
#include <QJsonArray>

namespace orvex::caserates {

namespace {
QJsonArray rowsJson(const std::vector<reconcile::ResultRow>& rows, bool secondColumn)
{
    QJsonArray out;
    for (const auto& row : rows)
        out.append(secondColumn ? QJsonArray{row.text, row.second} : QJsonArray{row.text});
    return out;
}

QJsonObject passJson(const UpdatePass& pass)
{
    QJsonObject counters;
    for (const auto& [counter, count] : passCounts(pass.counters))
        counters.insert(jobs::jsonKey(counter), count);
    // Every list of the window, the scan's staying empty in this run.
    QJsonObject lists;
    for (const jobs::ResultList list : jobs::kResultLists)
        lists.insert(jobs::jsonKey(list), QJsonArray());
    lists.insert(jobs::jsonKey(jobs::ResultList::PhNewCode), rowsJson(pass.newCodes, false));
    lists.insert(jobs::jsonKey(jobs::ResultList::PhSameCodeDifferentDescription),
                 rowsJson(pass.changedDescriptions, true));
    return QJsonObject{{"pass", pass.name},       {"file", pass.file},
                       {"lines", pass.lineCount}, {"errors", QJsonArray::fromStringList(pass.errors)},
                       {"counters", counters},    {"lists", lists}};
}
} // namespace

std::vector<std::pair<jobs::Counter, int>> passCounts(const PassCounters& c)
{
    using jobs::Counter;
    return {{Counter::PhNewCode, c.phNewCode},
            {Counter::PhSameDescription, c.phSameDescription},
            {Counter::PhSameCodeDifferentDescription, c.phSameCodeDifferentDescription},
            {Counter::PhNewRate, c.phNewRate},
            {Counter::LinesRead, c.linesRead}};
}

QJsonObject updateRunJson(const UpdateRunResult& result, const QString& logBox, const QStringList& messages,
                          const UpdateRunFiles& files)
{
    QJsonArray passes;
    for (const UpdatePass& pass : result.passes)
        passes.append(passJson(pass));
    return QJsonObject{{"passes", passes},
                       {"logBox", logBox},
                       {"messages", QJsonArray::fromStringList(messages)},
                       {"review", QJsonObject{{"page", files.reviewPage},
                                              {"changes", files.changeList},
                                              {"record", files.runRecord}}}};
}

QStringList updateRunSummary(const UpdateRunResult& result, const UpdateRunFiles& files)
{
    QStringList lines;
    for (const UpdatePass& pass : result.passes) {
        lines << QStringLiteral("%1 pass: %2 (%3 lines)")
                     .arg(pass.name, QDir::toNativeSeparators(pass.file))
                     .arg(pass.lineCount);
        for (const auto& [counter, count] : passCounts(pass.counters))
            lines << jobs::summaryLine(counter, count);
    }
    const review::RunCompleteness& completeness = result.completeness;
    if (!completeness.isComplete()) {
        lines << QStringLiteral("Not read (the run is %1):")
                     .arg(review::completionName(completeness.completion));
        for (const QString& item : completeness.notRead)
            lines << QStringLiteral("  ") + item;
    }
    lines << QStringLiteral("Reports and scripts: ") + QDir::toNativeSeparators(files.outputFolder)
          << QStringLiteral("Review page: ") + QDir::toNativeSeparators(files.reviewPage)
          << QStringLiteral("Change list: ") + QDir::toNativeSeparators(files.changeList)
          << QStringLiteral("Run record: ") + QDir::toNativeSeparators(files.runRecord);
    return lines;
}

} // namespace orvex::caserates
