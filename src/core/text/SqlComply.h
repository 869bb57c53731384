#pragma once

#include <QString>
#include <QVariant>

namespace orvex {

// Doubles every single quote of `term` for a T-SQL literal and stores the result back,
// unless the text is empty or already escaped: it holds a doubled quote and every quote in
// it stands in a pair. Any other text gets every quote doubled, so the result never ends
// its literal early.
QString escapeSqlQuotes(QString& term);

// The variant form: a null or unset value comes back unchanged; anything else is
// handled as its text, and `term` then holds text.
QVariant escapeSqlQuotes(QVariant& term);

// The text between the quotes of a T-SQL literal that a script writer puts `value` into:
// escapeSqlQuotes applied to a copy, then every CR and LF written as "' + NCHAR(13) + '" and
// "' + NCHAR(10) + '", so that the value stays as it is and no part of it starts a line of
// the script (a bare "GO" there would end the batch). Text without line breaks is as escapeSqlQuotes
// gives it.
QString sqlQuoted(QString value);

} // namespace orvex
