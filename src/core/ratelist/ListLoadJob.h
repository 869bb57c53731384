#pragma once

#include "jobs/Job.h"
#include "ratelist/SourceFile.h"

#include <QString>

#include <vector>

namespace orvex::ratelist {

// What "ICD Updates" is to show: a source file, or the built-in update resource.
struct ListLoadParams
{
    QString path; // the source file; empty: the built-in update resource
};

struct LoadedList
{
    SourceText text; // the lines, and what reading a source file noticed
    // Indexes of the longest lines by characters, longest first (at most kLongestLines):
    // the window measures only these to size the list, not every line.
    std::vector<int> longest;
};

// Reads a list into memory off the window's thread: a whole ICD list of 100,000 lines and
// more takes seconds to read and decode. One step; the lines are read whole or not at all.
class ListLoadJob final : public jobs::JobWithResult<LoadedList>
{
public:
    static constexpr int kLongestLines = 64;

    explicit ListLoadJob(ListLoadParams params) : m_params(std::move(params)) {}
    QString title() const override { return QStringLiteral("load"); }
    // Throws orvex::Error naming the file when it cannot be read.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    ListLoadParams m_params;
};

// The indexes of the `count` longest of `lines` (by characters), longest first; ties keep
// the earlier line first.
std::vector<int> longestLines(const QStringList& lines, int count);

} // namespace orvex::ratelist
