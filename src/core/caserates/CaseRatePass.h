#pragma once

#include <QString>

namespace orvex::caserates {

// What tells the two passes of the update run apart.
struct CaseRatePass
{
    bool procedures = false;
    QString fileEnding; // ".txt" or "_PROCEDURE.txt"
    QString table;      // T as the scripts name it
    QString codeColumn; // C, "RVSCODE " with its trailing blank
    QString caseType;   // K
    QString heading;    // of the pass summary in the log box
    QString name;       // "diagnosis" or "procedure"

    static CaseRatePass diagnosis();
    static CaseRatePass procedure();
};

} // namespace orvex::caserates
