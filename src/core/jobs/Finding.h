#pragma once

#include "jobs/SharedName.h"
#include "jobs/Values.h"

#include <QString>

#include <vector>

namespace orvex::jobs {

// One thing a comparison found, as data: the writers render it into report lines and
// script statements, and a later tool applies or undoes it from the same record, so no
// decision is taken twice. Values are keyed by column name as the table names them
// ("Description", "PackageID", "Amount").
struct Finding
{
    enum class Kind {
        NewRow,           // the key is not in the table: insert `proposed`
        SameRow,          // found and equal: nothing to change
        ChangedValues,    // found with other values: update `read` to `proposed`
        ZeroAmount,       // found, but the list gives 0 for an amount: reported, not changed
        DuplicateRow,     // a second row with the same key: remove it
        ReplacementValues // values written whatever was read (a new-style rate table)
    };

    Kind kind = Kind::SameRow;
    int sourceLine = 0;    // 1-based line of the list it came from (0: none)
    SharedName table;      // "[Medicare].[dbo].[tbMedPackage]" as the scripts name it
    SharedName keyColumn;  // "ICDCode", "RVSCODE ", "Package", "Code"
    QString key;           // the key's value as the list gives it
    Values read;           // the row as found (empty for NewRow)
    Values proposed;       // what the list says it should hold
    QString code;          // the list's code the finding belongs to (the key may be a package ID)
    SharedName sourceFile; // the list's path

    bool operator==(const Finding&) const = default;
};

using Findings = std::vector<Finding>;

} // namespace orvex::jobs
