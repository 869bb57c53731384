#pragma once

// The words of the scan and the update run for what they count, show and list: the keys of
// their progress and of their JSON. The window gives each its own label or list; the
// command line prints the words.

#include <QString>

#include <array>

namespace orvex::jobs {

// What a run counts.
enum class Counter {
    LinesRead,                      // every line, group headers and blank lines included
    NewCode,                        // neither the code nor the description is in the ICD table
    SameCodeAndDescription,         // the code is there with this description
    SameCodeDifferentDescription,   // the code is there with another description
    SameDescriptionDifferentCode,   // the description is there under another code
    PhNewCode,                      // the code is not in the case-rate (or new-style package) table
    PhSameDescription,              // the case-rate row holds this description
    PhSameCodeDifferentDescription, // the case-rate row holds another description
    PhNewRate                       // the code's package holds other amounts
};
inline constexpr std::array kCounters = {Counter::LinesRead,
                                         Counter::NewCode,
                                         Counter::SameCodeAndDescription,
                                         Counter::SameCodeDifferentDescription,
                                         Counter::SameDescriptionDifferentCode,
                                         Counter::PhNewCode,
                                         Counter::PhSameDescription,
                                         Counter::PhSameCodeDifferentDescription,
                                         Counter::PhNewRate};

// What a run shows as it goes.
enum class Caption {
    GroupName, // the group of the lines being read (a scan reads it back when it starts)
    PackageId, // the package of the last code found
    SourceFile // the source file the update run was started beside
};
inline constexpr std::array kCaptions = {Caption::GroupName, Caption::PackageId, Caption::SourceFile};

// The lists of codes a run finds, in the order the window clears them.
enum class ResultList {
    NewCode,
    SameCodeAndDescription,
    SameCodeDifferentDescription,
    SameDescriptionDifferentCode,
    PhNewCode,
    PhSameCodeDifferentDescription
};
inline constexpr int kResultListCount = 6;
inline constexpr std::array kResultLists = {ResultList::NewCode,
                                            ResultList::SameCodeAndDescription,
                                            ResultList::SameCodeDifferentDescription,
                                            ResultList::SameDescriptionDifferentCode,
                                            ResultList::PhNewCode,
                                            ResultList::PhSameCodeDifferentDescription};
static_assert(kResultLists.size() == kResultListCount);

// "New Code and Description": what the command line prints before a count.
QString words(Counter counter);
QString words(Caption caption);
QString words(ResultList list);
// "newCode": the key in the command's JSON.
QString jsonKey(Counter counter);
QString jsonKey(Caption caption);
QString jsonKey(ResultList list);

// "            New Code and Description : 12": one line of a run's summary on the command line,
// the words right-aligned under each other whatever the counter.
QString summaryLine(Counter counter, int count);

// A list's rows have a second column (what the list gives beside what the table holds).
bool hasSecondColumn(ResultList list);

} // namespace orvex::jobs
