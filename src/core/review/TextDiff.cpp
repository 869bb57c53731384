#include "review/TextDiff.h"

#include <QStringView>

namespace orvex::review {

namespace {

// Beyond this many cells the table of common lengths is not worth building.
constexpr qsizetype kMaxCells = 4'000'000;

// Views into the text: a page of thousands of changed descriptions would otherwise make a
// string of every word.
std::vector<QStringView> words(const QString& text)
{
    std::vector<QStringView> out;
    const QStringView view(text);
    qsizetype i = 0;
    while (i < view.size()) {
        qsizetype j = i + 1;
        if (view[i].isLetterOrNumber()) {
            while (j < view.size() && view[j].isLetterOrNumber())
                ++j;
        }
        out.push_back(view.sliced(i, j - i));
        i = j;
    }
    return out;
}

void append(std::vector<DiffPart>& parts, DiffPart::Kind kind, QStringView text)
{
    if (!parts.empty() && parts.back().kind == kind)
        parts.back().text += text;
    else
        parts.push_back({kind, text.toString()});
}

} // namespace

std::vector<DiffPart> wordDiff(const QString& before, const QString& after)
{
    std::vector<DiffPart> parts;
    const std::vector<QStringView> a = words(before);
    const std::vector<QStringView> b = words(after);
    const auto n = qsizetype(a.size());
    const auto m = qsizetype(b.size());
    if ((n + 1) * (m + 1) > kMaxCells) {
        if (!before.isEmpty())
            parts.push_back({DiffPart::Kind::Deleted, before});
        if (!after.isEmpty())
            parts.push_back({DiffPart::Kind::Inserted, after});
        return parts;
    }
    // The words both start with are kept as the walk below keeps them, which takes equal
    // words first; the table is needed only after them (a changed description mostly
    // differs at its end).
    qsizetype start = 0;
    while (start < n && start < m && a[size_t(start)] == b[size_t(start)])
        ++start;
    // common[i][j]: length of the longest common run of a[i..] and b[j..], from `start` on.
    const qsizetype width = m - start + 1;
    std::vector<int> common(size_t((n - start + 1) * width), 0);
    auto at = [start, width, &common](qsizetype i, qsizetype j) -> int& {
        return common[size_t((i - start) * width + (j - start))];
    };
    for (qsizetype i = n - 1; i >= start; --i) {
        for (qsizetype j = m - 1; j >= start; --j)
            at(i, j) =
                a[size_t(i)] == b[size_t(j)] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    }
    for (qsizetype k = 0; k < start; ++k)
        append(parts, DiffPart::Kind::Same, a[size_t(k)]);
    qsizetype i = start, j = start;
    while (i < n || j < m) {
        if (i < n && j < m && a[size_t(i)] == b[size_t(j)]) {
            append(parts, DiffPart::Kind::Same, a[size_t(i)]);
            ++i;
            ++j;
        } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
            append(parts, DiffPart::Kind::Deleted, a[size_t(i++)]); // what goes before what comes
        } else {
            append(parts, DiffPart::Kind::Inserted, b[size_t(j++)]);
        }
    }
    return parts;
}

} // namespace orvex::review
