#pragma once

#include <QString>

#include <vector>

namespace orvex::review {

// One run of a word-level difference between two texts.
struct DiffPart
{
    enum class Kind { Same, Deleted, Inserted };
    Kind kind = Kind::Same;
    QString text;
    bool operator==(const DiffPart&) const = default;
};

// The difference from `before` to `after` by words (a word is a run of letters and digits;
// every other character is a word of its own), as the longest common run of words kept and
// the rest deleted or inserted. Adjacent parts of one kind are joined. Texts of more than a
// few thousand words are compared as one deleted and one inserted part.
std::vector<DiffPart> wordDiff(const QString& before, const QString& after);

} // namespace orvex::review
