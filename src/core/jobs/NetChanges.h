#pragma once

#include "jobs/Finding.h"

#include <QHash>
#include <QString>

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
    Findings take();
    // The changes a later line of the same row took the place of, in the order of the lines
    // that did: shown for review, never applied.
    Findings takeOverridden();

private:
    QString rowAspect(const Finding& f);

    // The findings in line order; one a later line took the place of is no longer live
    // (moved to m_overridden), and take() closes the gaps in place.
    Findings m_items;
    std::vector<bool> m_live;
    Findings m_overridden;
    QHash<QString, size_t> m_lastOfRow;
    QHash<QString, ushort> m_tables;     // numbered for rowAspect
    QHash<QString, ushort> m_valueNames; // the proposed values' names, numbered likewise
};

} // namespace orvex::jobs
