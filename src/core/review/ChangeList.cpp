#include "review/ChangeClass.h"
#include "review/ChangeValues.h"
#include "review/ReviewRun.h"

#include <QDir>
#include <QIODevice>
#include <QRegularExpression>

#include <algorithm>

namespace orvex::review {

namespace {

// A spreadsheet takes a cell beginning with one of these for a formula; a plain number
// ("-12.5", "+3.0%") is left as it is.
QString withoutFormula(const QString& field)
{
    static const QRegularExpression plainNumber(QStringLiteral(R"(^[+-]?[0-9][0-9,]*(\.[0-9]+)?%?$)"));
    if (field.isEmpty())
        return field;
    const QChar first = field.front();
    const bool formulaStart =
        first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
    if (formulaStart && !plainNumber.match(field).hasMatch())
        return QLatin1Char('\'') + field;
    return field;
}

QString csvField(const QString& value)
{
    QString field = withoutFormula(value);
    const bool quoted = std::any_of(field.cbegin(), field.cend(), [](QChar c) {
        return c == u'"' || c == u',' || c == u'\r' || c == u'\n';
    });
    if (quoted) {
        field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return QLatin1Char('"') + field + QLatin1Char('"');
    }
    return field;
}

void appendRow(QString& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += csvField(fields[i]);
    }
    out += QStringLiteral("\r\n");
}

} // namespace

void writeChangeList(const ReviewRun& run, QIODevice& device)
{
    device.write("\xEF\xBB\xBF");
    QString out;
    QStringList heads = {QStringLiteral("class"),
                         QStringLiteral("table"),
                         QStringLiteral("key"),
                         QStringLiteral("code"),
                         QStringLiteral("description before"),
                         QStringLiteral("description after")};
    for (const char* column : run.amountColumns)
        heads << QLatin1String(column) + QStringLiteral(" before")
              << QLatin1String(column) + QStringLiteral(" after");
    if (!run.amountColumns.empty())
        heads << QStringLiteral("Amount change percent");
    heads << QStringLiteral("source file") << QStringLiteral("source line");
    appendRow(out, heads);
    for (const jobs::Finding& f : run.changes) {
        const std::optional<ChangeClass> c = classOf(f);
        if (!c)
            continue;
        const DescriptionPair d = descriptionsOf(f);
        QStringList fields = {className(*c), f.table, f.key, f.code, d.before, d.after};
        for (const char* column : run.amountColumns)
            fields << amountBefore(f, column) << amountAfter(f, column);
        if (!run.amountColumns.empty())
            fields << changePercent(amountBefore(f, "Amount"), amountAfter(f, "Amount"));
        fields << QDir::toNativeSeparators(f.sourceFile)
               << (f.sourceLine > 0 ? QString::number(f.sourceLine) : QString());
        appendRow(out, fields);
        // Some rows at a time: a run over whole lists has tens of thousands.
        if (out.size() > (1 << 15)) {
            device.write(out.toUtf8());
            out.resize(0); // keeps its room for the next rows
        }
    }
    device.write(out.toUtf8());
}

} // namespace orvex::review
