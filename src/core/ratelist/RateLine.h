#pragma once

#include <QString>

// One line of a rate list (source file, rate file or update resource): fields are separated
// by "|"; a line whose first field is blank names the group (package) of the code lines
// that follow it; a line without any "|" is a code, one blank and a description.
namespace orvex::ratelist {

struct ScanLine
{
    enum class Kind { GroupHeader, Code };
    Kind kind = Kind::Code;
    QString groupName;                          // group header lines only
    QString code, description, amount, pf, hci; // code lines only; amounts only when asked for
};

// Splits one line exactly as the scan does: fields cut with cutWord semantics; each field is
// trimmed of space characters only (a TAB is not trimmed); for a code line every TAB is then
// removed from the code and the description, and every "," from the three amounts. Fields
// after the fifth are ignored, missing ones read as empty text. A line without "|" (the
// empty line included) is a code line: code before the first blank, description after it,
// never any amounts.
ScanLine splitScanLine(const QString& line, bool withAmounts);

// A line of nothing but blanks and tabs (the empty one included): it is read and counted
// but is not a code line, so it gets no class, no report line and no statement.
bool isBlankLine(const QString& line);

// The fix-format rewrite: the first three characters, ".", then the rest ("A000|Cholera"
// becomes "A00.0|Cholera"); a shorter line keeps all its characters and gets the "." at its end.
QString fixFormatLine(const QString& line);

} // namespace orvex::ratelist
