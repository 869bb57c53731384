#include "change/Amount.h"

#include "text/Numbers.h"

#include <cmath>

namespace orvex::change {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "-1,234,567.50", "1234567", "0.5": digits, commas between groups of three (the first of
// one to three), a decimal part. Read by hand: tens of thousands of amounts are checked
// per apply.
bool isDecimal(QStringView text)
{
    qsizetype i = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    qsizetype group = 0; // digits of the current group
    int groups = 0;
    bool commas = false;
    for (; i < text.size() && text[i] != QLatin1Char('.'); ++i) {
        if (isDigit(text[i])) {
            ++group;
            continue;
        }
        if (text[i] != QLatin1Char(',') || group == 0 || (groups == 0 ? group > 3 : group != 3))
            return false;
        commas = true;
        ++groups;
        group = 0;
    }
    if (group == 0 || (commas && group != 3))
        return false;
    if (i < text.size()) { // the decimal part
        const qsizetype digits = text.size() - i - 1;
        if (digits == 0)
            return false;
        for (++i; i < text.size(); ++i) {
            if (!isDigit(text[i]))
                return false;
        }
    }
    return true;
}

} // namespace

std::optional<Amount> Amount::fromText(const QString& text)
{
    Amount amount;
    if (text.isEmpty())
        return amount;
    if (!isDecimal(text))
        return std::nullopt;
    const double value = QString(text).remove(QLatin1Char(',')).toDouble();
    if (!std::isfinite(value))
        return std::nullopt;
    amount.m_text = text;
    amount.m_value = value;
    return amount;
}

Amount Amount::asStored(const QString& text)
{
    Amount amount;
    if (!text.isEmpty()) {
        amount.m_text = text;
        amount.m_value = numbers::leadingNumber(text);
    }
    return amount;
}

} // namespace orvex::change
