#pragma once

#include "annex/AnnexTypes.h"

#include <QStringList>

namespace orvex::annex {

// What one page of an annex holds: the table found from its headings ("ICD Code" or
// "RVS Code", "Description", "Case Rate", "Health Facility Fee", "Professional Fee"),
// its rows, and the lines printed above the table (the page's title).
struct PageTable
{
    bool hasTable = false;
    std::optional<AnnexKind> kind; // from the code column's heading, when it says
    QString codeHeading;
    int caseRateColumns = 0; // "Case Rate" headings: more than one is a table of several rates per code
    QStringList titleLines;
    std::vector<AnnexRow> rows;  // lines of the code column with all three amounts
    std::vector<AnnexRow> notes; // lines of the code column without any amount (a footnote)
    QStringList problems;        // what could not be read as a row, naming the page
};

// Reads the table of one page from its words. Page header and footer ("Page 2 of 105 ...")
// are dropped; a description that wraps over several lines of its cell is joined with
// single blanks, a line ending in "-" without one; codes and amounts stay as printed.
PageTable readPageTable(const PageWords& words, int pageNumber);

} // namespace orvex::annex
