#pragma once

#include <QString>
#include <QVariant>

namespace orvex {

// Doubles every single quote of `term` for a T-SQL literal and stores the result back,
// unless the text is empty or already escaped: it holds a doubled quote and every quote in
// it stands in a pair. Any other text gets every quote doubled, so the result never ends
// its literal early.
QString SQLComply(QString& term);

// The variant form: a null or unset value comes back unchanged; anything else is
// handled as its text, and `term` then holds text.
QVariant SQLComply(QVariant& term);

// SQLComply applied to a copy, for the common "put this into a literal" case.
inline QString sqlQuoted(QString value)
{
    return SQLComply(value);
}

} // namespace orvex
