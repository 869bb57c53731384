#pragma once

#include "jobs/NetChanges.h"
#include "reconcile/ScanLookups.h"
#include "reconcile/ScanReportWriter.h"
#include "reconcile/ScanTypes.h"

#include <QSet>

namespace orvex::ratelist {
struct ScanLine;
}

namespace orvex::reconcile {

// What a run carries from line to line: the counters, the six lists, the group name and
// package shown, and the groups whose package INSERT was written.
struct ScanState
{
    ScanCounters counters;
    bool keepRows = false;   // lists and changes hold every row, not only the counts
    bool reportRows = false; // rowsOfLine gets each line's rows, for the progress
    std::array<std::vector<ResultRow>, kResultListCount> lists;
    std::array<int, kResultListCount> rowCounts{};
    QString groupName;
    QString packageId;
    QSet<QString> packagesInserted; // CI_AS keys of group names
    std::vector<std::pair<ResultList, ResultRow>> rowsOfLine;
    jobs::Findings changes; // every change the scripts propose, as data
    // The same changes and the rows found as listed, folded to their net effect per row,
    // for the run record an apply works from.
    jobs::NetChanges net;
    int lineNumber = 0; // 1-based line being classified
    jobs::SharedName sourceFile;

    // Counts a row of `list`; makes its texts only where they are kept or reported.
    template <typename MakeRow> void addRow(ResultList list, MakeRow makeRow)
    {
        ++rowCounts[size_t(list)];
        if (!keepRows && !reportRows)
            return;
        ResultRow row = makeRow();
        if (keepRows)
            lists[size_t(list)].push_back(row);
        if (reportRows)
            rowsOfLine.emplace_back(list, std::move(row));
    }
    int rowCount(ResultList list) const { return rowCounts[size_t(list)]; }
};

// Sorts one code line into its classes and writes its report and script lines.
class LineClassifier
{
public:
    LineClassifier(ScanLookups& lookups, ScanReportWriter& writer, ScanState& state, bool phMode)
        : m_lookups(lookups), m_writer(writer), m_state(state), m_phMode(phMode)
    {
    }

    void classify(const ratelist::ScanLine& line);

private:
    void classifyIcd(const ratelist::ScanLine& line);
    void classifyCaseRate(const ratelist::ScanLine& line);
    // Looks the group's package up, writes its INSERT or UPDATE block when needed and
    // returns its ID when it exists.
    std::optional<QString> packageStep(const ratelist::ScanLine& line);
    // A finding of the current line.
    jobs::Finding finding(jobs::Finding::Kind kind, const jobs::SharedName& table,
                          const jobs::SharedName& keyColumn, const QString& key, const QString& code) const;
    // Keeps a change the scripts propose; a row found as listed goes to the net changes only.
    void keep(jobs::Finding finding);

    ScanLookups& m_lookups;
    ScanReportWriter& m_writer;
    ScanState& m_state;
    bool m_phMode;
};

} // namespace orvex::reconcile
