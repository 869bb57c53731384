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

// The parts of a run, in their order; each has its own count of items.
enum class ScanPhase {
    Reading,       // the list's lines split into codes, descriptions and group headers
    Comparing,     // each line compared with the database (or rewritten in fix-format mode)
    WritingReports // the summary, the run record, the review page and the change list
};

// The phase as the window and the command line name it.
QString phaseCaption(ScanPhase phase, bool fixFormat);

// Reported after every item of a phase (a line; a file while writing the reports), on the
// thread that runs the scan.
struct ScanProgress
{
    int linesDone = 0; // items of the phase done...
    int lineCount = 0; // ...of its items
    ScanCounters counters;
    QString groupName;                                     // the group of the line read
    QString packageId;                                     // the package of the last code found
    std::vector<std::pair<ResultList, ResultRow>> newRows; // rows this line added
    ScanPhase phase = ScanPhase::Comparing;
    bool fixFormat = false; // names the comparing phase
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
    bool rowsKept = false;      // lists and changes hold every row (ScanParams::keepResultRows)
    jobs::Findings changes;     // what the scripts propose, in their order
    bool reviewWritten = false; // output/report.html and output/changes.csv
    // A stop while the reports were written: every line was compared and the scripts are
    // whole, but no review page and no run record stand beside them.
    bool stoppedWritingReports = false;

    const std::vector<ResultRow>& list(ResultList which) const { return lists[static_cast<int>(which)]; }
};

} // namespace orvex::reconcile
