#pragma once

#include "jobs/Finding.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace orvex::reconcile {

// The six result lists of a scan, named after the window's list views.
enum class ResultList {
    NewCode,
    SameCodeDescription,
    SameCodeDifDesc,
    SameDescDifCode,
    NewCodePH,
    SameCodeDifDescPH
};
inline constexpr int kResultListCount = 6;

// "lsvNewCode", "lsvSameCodeDescription", ...
const char* resultListName(ResultList list);

// One row as the window shows it: the item text and its second column (empty when the
// list has none).
struct ResultRow
{
    QString text;
    QString second;
    bool operator==(const ResultRow&) const = default;
};

// The counters, named after the window's labels.
struct ScanCounters
{
    int lblnew = 0;
    int lblsame = 0;
    int lblDifDesc = 0;
    int lblDifCode = 0;
    int lblNewPH = 0;
    int lblsamePH = 0;
    int lblDifDescPH = 0;
    int lblCount = 0;
    bool operator==(const ScanCounters&) const = default;
};

// How a run ended.
enum class ScanEnding {
    Finished,     // every line was read
    Stopped,      // a stop request: current line finished, summary written, files closed
    WindowClosing // current line finished, no summary, files closed
};

// Reported after every line, on the thread that runs the scan.
struct ScanProgress
{
    int linesDone = 0;
    int lineCount = 0;
    ScanCounters counters;
    QString groupName;                                     // what lblHeader shows
    QString packageId;                                     // what lblPackageID shows
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
