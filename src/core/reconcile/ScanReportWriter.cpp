#include "reconcile/ScanReportWriter.h"

#include "report/ReportFileSet.h"
#include "text/Blanks.h"
#include "text/ScriptText.h"
#include "text/SqlComply.h"

#include <QLocale>
#include <QStringBuilder>

namespace orvex::reconcile {

using report::Slot;

namespace {
const QString kStars = QStringLiteral("******************************************");

// A stored value on a "[DATABASE]" line: NULL shows as the word Null.
QString storedText(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("Null") : value.toString();
}
} // namespace

void ScanReportWriter::newCode(const QString& code, const QString& description)
{
    m_files.writeLine(Slot::ScriptFile,
                      QStringLiteral("INSERT INTO dbo.tbICDdiagMain (CODE,Description) VALUES('") %
                          sqlQuoted(trimBlanks(code).toString()) % QStringLiteral("','") %
                          sqlQuoted(trimBlanks(description).toString()) % QStringLiteral("');"));
    m_files.writeLine(Slot::NewCodeFile, code % QStringLiteral("   ") % description);
}

void ScanReportWriter::sameDescription(const IcdRow& stored, const QString& code, const QString& description)
{
    m_files.writeLine(Slot::SameDescDiffCodeFile, QStringLiteral("[DATABASE]") % storedText(stored.code) %
                                                      QStringLiteral("   ") % storedText(stored.description));
    m_files.writeLine(Slot::SameDescDiffCodeFile, QStringLiteral("[SOURCE F]") % code % description);
    m_files.writeLine(Slot::SameDescDiffCodeFile, QString());
}

void ScanReportWriter::sameCode(const IcdRow& stored, const QString& code, const QString& description)
{
    m_files.writeLine(Slot::SameCodeDiffDescFile, QStringLiteral("[DATABASE]") % storedText(stored.code) %
                                                      QStringLiteral("   ") % storedText(stored.description));
    m_files.writeLine(Slot::SameCodeDiffDescFile, QStringLiteral("[SOURCE F]") % code %
                                                      QStringLiteral("   ") %
                                                      trimBlanks(description).toString());
    m_files.writeLine(Slot::SameCodeDiffDescFile, QString());
    m_files.writeLine(Slot::SameCodeDiffDescScriptFile,
                      QStringLiteral("UPDATE dbo.tbICDdiagMain SET Description='") % sqlQuoted(description) %
                          QStringLiteral("' WHERE CODE='") % sqlQuoted(code) % QStringLiteral("';"));
    m_files.writeLine(Slot::SameCodeDiffDescFile, QString());
}

void ScanReportWriter::packageInsert(const QString& groupName, const QString& amount, const QString& pf,
                                     const QString& hci)
{
    // The new ID is the numeric maximum: on a text column MAX(packageID) is the text
    // maximum ('99' beats '100') and may hand out an ID that exists.
    m_files.writeLine(Slot::ScriptPHFile, QString());
    m_files.writeLine(
        Slot::ScriptPHFile,
        QStringLiteral("INSERT INTO [Medicare].[dbo].[tbMedPackage] "
                       "([PackageID],[Package],[Amount],[PF],[MedRoomBoard],[Status],[CaseType]) ") +
            QStringLiteral(" VALUES((select MAX(convert(BIGINT,packageID))+1 from  "
                           "[Medicare].[dbo].[tbMedPackage]),'") +
            sqlQuoted(groupName) + QStringLiteral("','") + sqlQuoted(amount) + QStringLiteral("','") +
            sqlQuoted(pf) + QStringLiteral("','") + sqlQuoted(hci) + QStringLiteral("','1','1');"));
    m_files.writeLine(Slot::ScriptPHFile, QString());
}

void ScanReportWriter::packageUpdate(const QString& amount, const QString& pf, const QString& hci,
                                     const QString& packageId)
{
    m_files.writeLine(Slot::ScriptPHFile, QString());
    m_files.writeLine(Slot::ScriptPHFile,
                      QStringLiteral("update  [Medicare].[dbo].[tbMedPackage] set [Amount]='") +
                          sqlQuoted(amount) + QStringLiteral("',[PF]='") + sqlQuoted(pf) +
                          QStringLiteral("',[MedRoomBoard]='") + sqlQuoted(hci) + QStringLiteral("'") +
                          QStringLiteral(" where packageid = '") + sqlQuoted(packageId) +
                          QStringLiteral("'"));
    m_files.writeLine(Slot::ScriptPHFile, QString());
}

void ScanReportWriter::caseRateInsert(const QString& code, const QString& description,
                                      const QString& groupName, const std::optional<QString>& packageId)
{
    // CaseType holds 1 (diagnosis) or 2 (procedure), an integer column on many servers: the
    // group's name there would stop the script at its first new case rate.
    const QString packageReference =
        packageId
            ? QStringLiteral("'") + sqlQuoted(*packageId) + QStringLiteral("'")
            : QStringLiteral("(select packageid from  [Medicare].[dbo].[tbMedPackage] where Package  = '") +
                  sqlQuoted(groupName) + QStringLiteral("')");
    m_files.writeLine(Slot::ScriptPHFile, QString());
    m_files.writeLine(Slot::ScriptPHFile,
                      QStringLiteral("INSERT INTO [Medicare].[dbo].[tbMed_MedicalCaseRates] "
                                     "([ICDCode],[Description],[CaseType],[PackageID]) ") +
                          QStringLiteral(" VALUES('") + sqlQuoted(trimBlanks(code).toString()) +
                          QStringLiteral("','") + sqlQuoted(trimBlanks(description).toString()) +
                          QStringLiteral("','1',") + packageReference + QStringLiteral(");"));
    m_files.writeLine(Slot::ScriptPHFile, QString());
}

void ScanReportWriter::caseRateDescriptionUpdate(const QVariant& storedDescription, const QString& code,
                                                 const QString& description)
{
    m_files.writeLine(Slot::ScriptPHFile, QString());
    m_files.writeLine(
        Slot::ScriptPHFile,
        QStringLiteral("/* [DATABASE] ") +
            text::blockCommentText(storedDescription.isNull() ? QString() : storedDescription.toString()));
    m_files.writeLine(Slot::ScriptPHFile, QStringLiteral("   [SOURCE F] ") +
                                              text::blockCommentText(description) + QStringLiteral(" */"));
    m_files.writeLine(Slot::ScriptPHFile,
                      QStringLiteral("UPDATE [Medicare].[dbo].[tbMed_MedicalCaseRates] SET Description='") +
                          sqlQuoted(description) + QStringLiteral("' WHERE ICDCode='") + sqlQuoted(code) +
                          QStringLiteral("';"));
    m_files.writeLine(Slot::ScriptPHFile, QString());
    m_files.writeLine(Slot::ScriptPHFile, QString());
}

QString ScanReportWriter::generalDateTime(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    // The long time format may name the time zone; the log line never did.
    timeFormat.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}

void ScanReportWriter::summary(const SummaryCounts& counts, const QDateTime& when)
{
    auto log = [this](const QString& line) { m_files.writeLine(Slot::LogFile, line); };
    auto count = [](int n) { return QStringLiteral(" ") + QString::number(n) + QStringLiteral(" "); };
    for (int i = 0; i < 4; ++i)
        log(QString());
    log(kStars);
    log(QStringLiteral("              ") + generalDateTime(when));
    log(kStars);
    log(QString());
    log(QStringLiteral("            New Code and Description :") + count(counts.newCodes));
    log(QStringLiteral("           Same Code and Description :") + count(counts.sameCodeAndDescription));
    log(QStringLiteral("     Same Code different Description :") +
        count(counts.sameCodeDifferentDescription));
    log(QStringLiteral("     Same Description different Code :") +
        count(counts.sameDescriptionDifferentCode));
    log(QString());
    log(kStars);
}

} // namespace orvex::reconcile
