#include "ratelist/RateLine.h"

#include "text/Blanks.h"

#include "text/GetWord.h"

namespace orvex::ratelist {

namespace {
const QChar kTab = QLatin1Char('\t');
const QChar kComma = QLatin1Char(',');
constexpr QStringView kPipe = u"|";
constexpr QStringView kBlankSeparator = u" ";

// Copies `text` without any `drop` character: one allocation, the runs between them
// copied whole ("1,234,567.00" is three).
QString without(QStringView text, QChar drop)
{
    qsizetype at = findChar(text, drop);
    if (at < 0)
        return text.toString();
    QString result;
    result.reserve(text.size() - 1);
    qsizetype from = 0;
    for (; at >= 0; at = findChar(text, drop, from)) {
        result.append(text.sliced(from, at - from));
        from = at + 1;
    }
    result.append(text.sliced(from));
    return result;
}
} // namespace

ScanLine splitScanLine(const QString& line, bool withAmounts)
{
    ScanLine result;
    WordCursor cursor(line);
    QStringView code;
    QStringView description;
    if (findChar(line, kPipe.front()) >= 0) {
        code = trimBlanks(cursor.next(kPipe));
        if (code.isEmpty()) {
            result.kind = ScanLine::Kind::GroupHeader;
            result.groupName = trimBlanks(cursor.next(kPipe)).toString();
            return result;
        }
        description = trimBlanks(cursor.next(kPipe));
        if (withAmounts) {
            result.amount = without(trimBlanks(cursor.next(kPipe)), kComma);
            result.pf = without(trimBlanks(cursor.next(kPipe)), kComma);
            result.hci = without(trimBlanks(cursor.next(kPipe)), kComma);
        }
    } else {
        code = trimBlanks(cursor.next(kBlankSeparator));
        description = trimBlanks(cursor.rest());
    }
    result.kind = ScanLine::Kind::Code;
    result.code = without(code, kTab);
    result.description = without(description, kTab);
    return result;
}

bool isBlankLine(const QString& line)
{
    for (const QChar c : line) {
        if (c != QLatin1Char(' ') && c != kTab)
            return false;
    }
    return true;
}

QString fixFormatLine(const QString& line)
{
    QString result;
    result.reserve(line.size() + 1);
    const QStringView view(line);
    result.append(view.left(3));
    result.append(QLatin1Char('.'));
    if (view.size() > 3)
        result.append(view.sliced(3));
    return result;
}

} // namespace orvex::ratelist
