#pragma once

// What the command line shows of an update run: its summary lines and its --json object.

#include "caserates/UpdateRunJob.h"

#include <QJsonObject>

#include <utility>
#include <vector>

namespace orvex::caserates {

// Where the run put what it wrote.
struct UpdateRunFiles
{
    QString outputFolder;
    QString reviewPage;
    QString changeList;
    QString runRecord;
};

// A pass's counters in the order its summary lists them.
std::vector<std::pair<jobs::Counter, int>> passCounts(const PassCounters& counters);

// {"passes": [{"pass", "file", "lines", "errors", "counters", "lists"}], "logBox",
// "messages", "review": {"page", "changes", "record"}}; counters and lists keyed by
// jobs::jsonKey.
QJsonObject updateRunJson(const UpdateRunResult& result, const QString& logBox, const QStringList& messages,
                          const UpdateRunFiles& files);

// Per pass its file and counters, then what was not read and where the files are.
QStringList updateRunSummary(const UpdateRunResult& result, const UpdateRunFiles& files);

} // namespace orvex::caserates
