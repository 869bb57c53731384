#pragma once

#include "jobs/Finding.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace orvex::jobs {

// A run's changes as the database would end up after its scripts ran top to bottom: when
// a list names the same row twice (a code on two lines, two codes of one package), only the
// last line's effect on that row is kept, and none at all when the last line found the row
// as the list gives it. Without this, applying a run would write the first line's values
// over the last's, and the next run would find the row changed again.
class NetChanges
{
public:
    // Takes the findings in line order. SameRow findings say "the row holds what this line
    // gives" and cancel earlier changes of that row; notes (ZeroAmount) are kept as they are.
    void add(Finding finding);
    // Room for the findings of about `lines` lines at once: growing a hash of hundreds of
    // thousands of rows step by step rehashes them all at each step, and a growing vector
    // holds its old and new buffers at once. Room not used is not touched.
    void reserve(qsizetype lines);
    // The changes still live, in line order; from then on takeOverridden() has the others.
    Findings take();
    // The changes a later line of the same row took the place of, in the order of the lines
    // that did: shown for review, never applied.
    Findings takeOverridden();

    // The row a finding changes: its table and key, compared as the tables compare keys,
    // and which of its values. An insert and an update of the same key are the same row's;
    // a description and the amounts are different values.
    struct Row
    {
        ushort table = 0;
        ushort values = 0;
        QString key; // shared with the finding's, folded only when hashed and compared

        friend bool operator==(const Row& a, const Row& b);
        friend size_t qHash(const Row& row, size_t seed);
    };

private:
    Row rowOf(const Finding& f);
    void split();

    // The findings in line order; the overridden stay in place, marked, until take() moves
    // them out in the order they were overridden and closes the gaps.
    Findings m_items;
    std::vector<bool> m_overriddenAt;
    std::vector<uint32_t> m_overriddenOrder;
    Findings m_overridden;
    QHash<Row, size_t> m_lastOfRow;
    QHash<QString, ushort> m_tables;     // numbered for Row
    QHash<QString, ushort> m_valueNames; // the proposed values' names, numbered likewise
};

} // namespace orvex::jobs
