#include "caserates/RateFileLine.h"

#include "text/Blanks.h"
#include "text/GetWord.h"
#include "text/Numbers.h"
#include "text/SqlComply.h"

namespace orvex::caserates {

namespace {
QString trimmedWithoutTabs(QStringView field)
{
    QString s = trimBlanks(field).toString();
    s.remove(QLatin1Char('\t'));
    return s;
}

// Commas go, then the leading numeric part is read: "10,000" is 10000, "3 ,330" is 3330.
double amountOf(QStringView field, QString& text)
{
    QString s = trimBlanks(field).toString();
    s.remove(QLatin1Char(','));
    const double value = numbers::leadingNumber(s);
    text = numbers::shortestText(value);
    return value;
}
} // namespace

RateFileLine RateFileLine::parse(const QString& line)
{
    const QString bar = QStringLiteral("|");
    WordCursor fields(line);
    RateFileLine r;
    r.code = trimmedWithoutTabs(fields.next(bar));
    QString description = trimmedWithoutTabs(fields.next(bar));
    description.remove(QStringLiteral("''"));
    description.remove(QLatin1Char('\''));
    r.description = escapeSqlQuotes(description);
    r.amountValue = amountOf(fields.next(bar), r.amount);
    r.medRoomBoardValue = amountOf(fields.next(bar), r.medRoomBoard);
    r.pfValue = amountOf(fields.next(bar), r.pf);
    r.header = trimBlanks(fields.next(bar)).toString();
    return r;
}

} // namespace orvex::caserates
