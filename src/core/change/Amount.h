#pragma once

#include <QString>

#include <optional>

namespace orvex::change {

// An amount as a rate list gives it: a decimal number (thousands separated by commas at
// most), or absent where the list leaves it blank. The text is kept as listed, because the
// scripts write it so and the apply must leave what they leave.
class Amount
{
public:
    Amount() = default; // absent
    // Nothing when `text` is neither blank nor such a number.
    static std::optional<Amount> fromText(const QString& text);
    // As a table holds it, whatever it is ("3330.0000", a stray text): compared by the number
    // it starts with, absent when blank or NULL.
    static Amount asStored(const QString& text);

    bool present() const { return m_value.has_value(); }
    double value() const { return m_value.value_or(0); }
    // As listed; "" when absent.
    const QString& text() const { return m_text; }

    bool operator==(const Amount&) const = default;

private:
    QString m_text;
    std::optional<double> m_value;
};

} // namespace orvex::change
