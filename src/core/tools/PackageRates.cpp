#include "tools/PackageRates.h"

#include "Error.h"
#include "db/Queries.h"
#include "platform/ProgramFolder.h"
#include "report/ReportFile.h"
#include "text/Numbers.h"
#include "text/ScriptText.h"
#include "text/SqlComply.h"
#include "tools/ToolLog.h"

#include <QSqlError>
#include <QSqlQuery>

namespace orvex::tools {

namespace {

const char* const kAmountColumns[] = {"Amount", "MedRoomBoard", "MedDrugs", "MedOthers", "MedOR", "PF"};

QString withoutBlanks(const QString& text)
{
    QString kept;
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            kept += c;
    return kept;
}

bool isWordCharacter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_');
}

QString scriptLine(const QSqlQuery& row, double factor, const QString& year, jobs::Finding& change)
{
    QString line = QStringLiteral("UPDATE [Medicare].[dbo].[tbMedPackage") + year + QStringLiteral("] SET ");
    for (int k = 1; k <= 6; ++k) {
        const double value = numbers::leadingNumber(row.value(k).toString());
        const double raised = factor * value + value;
        const QString column = QLatin1String(kAmountColumns[k - 1]);
        line += column + QStringLiteral(" = '") + numbers::generalText(raised) + QStringLiteral("',");
        change.read.insert(column, numbers::generalText(value));
        change.proposed.insert(column, numbers::generalText(raised));
    }
    line.chop(1);
    line += QStringLiteral(" WHERE packageid = '") + sqlQuoted(row.value(0).toString()) +
            QStringLiteral("' -- ") + text::lineCommentText(row.value(7).toString());
    return line;
}

} // namespace

double rateFactor(const QString& percentText)
{
    const QString digits = withoutBlanks(percentText);
    bool allDigits = !digits.isEmpty();
    for (const QChar c : digits)
        allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!allDigits)
        throw Error(QStringLiteral("The percentage %1 is not understood: type the digits after the decimal "
                                   "point, \"30\" for 30 % or \"5\" for 50 %.")
                        .arg(quotedForMessage(percentText)));
    return numbers::leadingNumber(QStringLiteral(".") + digits);
}

QString rateFactorCaption(const QString& percentText)
{
    try {
        return QStringLiteral("= +%1 %").arg(QString::number(rateFactor(percentText) * 100, 'g', 12));
    } catch (const Error&) {
        return QStringLiteral("= ?");
    }
}

void checkYearText(const QString& yearText)
{
    // SQL Server names hold at most 128 characters, tbMedPackage takes 12 of them.
    constexpr qsizetype kLongestYear = 128 - 12;
    if (yearText.size() > kLongestYear)
        throw Error(
            QStringLiteral("The year %1 has %2 characters: tbMedPackage and the year make a table name, "
                           "which holds at most 128 characters, so the year may have at most %3.")
                .arg(quotedForMessage(yearText))
                .arg(yearText.size())
                .arg(kLongestYear));
    for (const QChar c : yearText)
        if (!isWordCharacter(c))
            throw Error(QStringLiteral("The year %1 cannot be part of a table name: use only letters, digits "
                                       "and underscores (\"2023\" addresses tbMedPackage2023).")
                            .arg(quotedForMessage(yearText)));
}

PackageRateResult writePackageRateScript(db::Connection& connection, const PackageRateParams& params,
                                         const jobs::Job* job)
{
    const double factor = rateFactor(params.percentText);
    checkYearText(params.yearText);

    PackageRateResult result;
    result.path = params.outputPath.isEmpty()
                      ? ProgramFolder::outputFile(QStringLiteral("UpdatePackageRates.txt"))
                      : params.outputPath;
    // The script takes the place of the previous one only once complete (ReportFile).
    report::ReportFile file;
    file.open(result.path, report::ReportFile::Mode::Output);
    QSqlQuery rows = connection.exec(db::queries::activePackageAmounts);
    while (rows.next()) {
        if (job && job->stopRequest() != jobs::StopRequest::None) {
            result.stopped = true;
            result.changes.clear();
            file.discard();
            return result;
        }
        jobs::Finding& change = result.changes.emplace_back();
        change.kind = jobs::Finding::Kind::ChangedValues;
        change.table = QStringLiteral("[Medicare].[dbo].[tbMedPackage") + params.yearText + QLatin1Char(']');
        change.keyColumn = QStringLiteral("PackageID");
        change.key = change.code = rows.value(0).toString();
        change.proposed.insert(QStringLiteral("Package"), rows.value(7).toString());
        file.writeLine(scriptLine(rows, factor, params.yearText, change));
        ++result.packages;
    }
    if (rows.lastError().isValid())
        throw Error(Error::Kind::Database, QStringLiteral("Reading the packages failed after %1 of them: %2")
                                               .arg(result.packages)
                                               .arg(rows.lastError().text()));
    file.close();
    return result;
}

} // namespace orvex::tools
