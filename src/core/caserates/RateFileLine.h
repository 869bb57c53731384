#pragma once

#include <QString>

namespace orvex::caserates {

// One line of the year's rate file as the update run reads it: six "|" fields.
struct RateFileLine
{
    QString code;         // field 1: trimmed, tabs removed
    QString description;  // field 2: trimmed, tabs and apostrophes removed, SQLComply applied
    QString amount;       // field 3 (Amount) as the shortest decimal text of its number
    QString medRoomBoard; // field 4
    QString pf;           // field 5
    QString header;       // field 6, trimmed: the group shown while the line is read
    double amountValue = 0;
    double medRoomBoardValue = 0;
    double pfValue = 0;

    static RateFileLine parse(const QString& line);
};

} // namespace orvex::caserates
