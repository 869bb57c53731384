#pragma once

#include <QString>
#include <QStringView>

// The number rules used across the tool, in one place.
namespace orvex::numbers {

// Reads a number by its leading numeric part: blanks, tabs and line feeds are ignored
// wherever they stand, "." is the decimal point, an exponent (E or D) is taken, and a
// text with no number reads 0. "3 330" reads 3330, "" and "-" read 0, "12abc" reads 12.
double leadingNumber(QStringView text);

// A value rounded to two decimals the way the rate checks do it: formatted with two
// decimals, then read back.
double roundTo2(double value);

// The shortest decimal text that reads back as the same number: 10000, 3600, 1234.5.
QString shortestText(double value);

// The general form with at most 15 significant digits: 1000 x 1.3 gives "1300",
// 1234.5 x 1.3 gives "1604.85".
QString generalText(double value);

} // namespace orvex::numbers
