#include "annex/AnnexChecks.h"

#include "text/Windows1252.h"

#include <QHash>
#include <QRegularExpression>

namespace orvex::annex {

namespace {
constexpr qsizetype kListed = 10;

QString listed(const QStringList& items)
{
    QString text = items.mid(0, kListed).join(QLatin1String(", "));
    if (items.size() > kListed)
        text += QStringLiteral(", ... (%1 in all)").arg(items.size());
    return text;
}

QString rowName(const AnnexRow& row)
{
    return QStringLiteral("\"%1\" (page %2)").arg(row.code).arg(row.page);
}

// A field of the rate list can hold neither the separator nor a character that the
// list's code page has no byte for.
void checkWritable(const AnnexRow& row, QStringList& problems)
{
    for (const QString* field :
         {&row.code, &row.description, &row.caseRate, &row.facilityFee, &row.professionalFee}) {
        if (field->contains(QLatin1Char('|')))
            problems << QStringLiteral("code %1: \"%2\" holds a \"|\", which a rate list cannot hold")
                            .arg(rowName(row), *field);
        else if (cp1252::decode(cp1252::encode(*field)) != *field)
            problems << QStringLiteral("code %1: \"%2\" holds a character that Windows-1252 cannot hold")
                            .arg(rowName(row), *field);
    }
    for (const QString* amount : {&row.caseRate, &row.facilityFee, &row.professionalFee}) {
        if (*amount != QLatin1String("-") && !hundredths(*amount))
            problems << QStringLiteral("code %1: \"%2\" is not an amount").arg(rowName(row), *amount);
    }
    if (row.code.isEmpty())
        problems << QStringLiteral("page %1: a row without a code").arg(row.page);
}
} // namespace

std::optional<qint64> hundredths(const QString& amount)
{
    static const QRegularExpression number(QStringLiteral("^(\\d{1,3}(?:,\\d{3})*|\\d+)(?:\\.(\\d{1,2}))?$"));
    const auto match = number.match(amount);
    if (!match.hasMatch())
        return std::nullopt;
    QString whole = match.captured(1);
    whole.remove(QLatin1Char(','));
    const QString cents = match.captured(2).leftJustified(2, QLatin1Char('0'));
    bool ok = false;
    const qint64 value = whole.toLongLong(&ok);
    if (!ok || whole.size() > 15)
        return std::nullopt;
    return value * 100 + cents.toLongLong();
}

bool AnnexChecks::passed() const
{
    return rows > 0 && sumMismatches.isEmpty() && pagesWithoutRows.isEmpty() && problems.isEmpty();
}

QStringList AnnexChecks::summaryLines() const
{
    QStringList pagesText;
    for (int page : pagesWithoutRows)
        pagesText << QString::number(page);
    QStringList lines;
    lines << QStringLiteral("pages: %1").arg(pages) << QStringLiteral("rows: %1").arg(rows)
          << QStringLiteral("case rate = facility fee + professional fee: %1 rows checked, %2 mismatches%3")
                 .arg(sumsChecked)
                 .arg(sumMismatches.size())
                 .arg(sumMismatches.isEmpty()
                          ? QString()
                          : QStringLiteral(" (") + listed(sumMismatches) + QLatin1Char(')'))
          << QStringLiteral("codes printed twice: %1%2")
                 .arg(printedTwice.size())
                 .arg(printedTwice.isEmpty()
                          ? QString()
                          : QStringLiteral(" (kept both: ") + listed(printedTwice) + QLatin1Char(')'))
          << QStringLiteral("pages without rows: %1")
                 .arg(pagesText.isEmpty() ? QStringLiteral("none") : listed(pagesText));
    if (!footnoteLines.isEmpty())
        lines << QStringLiteral("footnote lines skipped: %1").arg(footnoteLines.size());
    if (!hiddenWords.isEmpty())
        lines << QStringLiteral("hidden words skipped: %1 (%2)")
                     .arg(hiddenWords.size())
                     .arg(listed(hiddenWords));
    for (const QString& problem : problems)
        lines << QStringLiteral("problem: ") + problem;
    return lines;
}

AnnexChecks checkRows(const std::vector<AnnexRow>& rows, const QList<qsizetype>& rowsPerPage)
{
    AnnexChecks checks;
    checks.pages = int(rowsPerPage.size());
    checks.rows = qsizetype(rows.size());
    for (int i = 0; i < rowsPerPage.size(); ++i) {
        if (rowsPerPage.at(i) == 0)
            checks.pagesWithoutRows << i + 1;
    }
    QHash<QString, int> seen;
    for (const AnnexRow& row : rows) {
        checkWritable(row, checks.problems);
        if (++seen[row.code] == 2)
            checks.printedTwice << row.code;
        const auto rate = hundredths(row.caseRate);
        const auto facility = hundredths(row.facilityFee);
        const auto professional = hundredths(row.professionalFee);
        if (!rate || !facility || !professional)
            continue;
        ++checks.sumsChecked;
        if (*rate != *facility + *professional)
            checks.sumMismatches << rowName(row);
    }
    return checks;
}

} // namespace orvex::annex
