#pragma once

#include "annex/AnnexTypes.h"

#include <QStringList>

namespace orvex::annex {

// The checks an import must pass before its rate list is written.
struct AnnexChecks
{
    int pages = 0;
    qsizetype rows = 0;
    qsizetype sumsChecked = 0;   // rows whose three amounts are numbers
    QStringList sumMismatches;   // case rate != facility fee + professional fee
    QStringList printedTwice;    // codes on more than one row (kept, reported)
    QList<int> pagesWithoutRows; // 1-based
    QStringList footnoteLines;   // code-column lines after the last row, not rows
    QStringList hiddenWords;     // words a reader does not see, skipped: "\"ZZ9.9\" (page 3)"
    QStringList problems;        // what could not be read, or cannot be written

    bool passed() const;
    // The summary as printed, one line per check.
    QStringList summaryLines() const;
};

// Checks the rows of a whole annex. `rowsPerPage` has one count per page.
AnnexChecks checkRows(const std::vector<AnnexRow>& rows, const QList<qsizetype>& rowsPerPage);

// The amount in hundredths ("11,700.00" gives 1170000); nothing for "-" or other text.
std::optional<qint64> hundredths(const QString& amount);

} // namespace orvex::annex
