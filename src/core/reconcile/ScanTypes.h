#pragma once

#include "jobs/Finding.h"
#include "jobs/Vocabulary.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace orvex::reconcile {

// The six result lists of a scan.
using jobs::kResultListCount;
using jobs::ResultList;

// One row as the window shows it: the item text and its second column (empty when the
// list has none).
struct ResultRow
{
    QString text;
    QString second;
    bool operator==(const ResultRow&) const = default;
};

// What a scan counts (jobs::Counter names each).
struct ScanCounters
{
    int newCode = 0;
    int sameCodeAndDescription = 0;
    int sameCodeDifferentDescription = 0;
    int sameDescriptionDifferentCode = 0;
    int phNewCode = 0;
    int phSameDescription = 0;
    int phSameCodeDifferentDescription = 0;
    int linesRead = 0;
    bool operator==(const ScanCounters&) const = default;
};

// How a run ended.
enum class ScanEnding {
    Finished, // every line was read
    Stopped,  // a stop request: current line finished, summary written, files closed
    Abandoned // current line finished, no summary, files closed
};

// Reported after every line, on the thread that runs the scan.
struct ScanProgress
{
    int linesDone = 0;
    int lineCount = 0;
    ScanCounters counters;
    QString groupName;                                     // the group of the line read
    QString packageId;                                     // the package of the last code found
    std::vector<std::pair<ResultList, ResultRow>> newRows; // rows this line added
};

struct ScanResult
{
    ScanEnding ending = ScanEnding::Finished;
    ScanCounters counters;
    std::array<std::vector<ResultRow>, kResultListCount> lists;
    QString groupName;
    QString packageId;
    quint64 statementsSent = 0;
    double elapsedSeconds = 0;
    jobs::Findings changes;     // what the scripts propose, in their order
    bool reviewWritten = false; // output/report.html and output/changes.csv

    const std::vector<ResultRow>& list(ResultList which) const { return lists[static_cast<int>(which)]; }
};

} // namespace orvex::reconcile
