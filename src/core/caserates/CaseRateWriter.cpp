#include "caserates/CaseRateWriter.h"

#include "reconcile/ScanReportWriter.h"
#include "report/ReportFileSet.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "text/ScriptText.h"
#include "text/SqlComply.h"

namespace orvex::caserates {

using jobs::Finding;
using report::Slot;

CaseRatePass CaseRatePass::diagnosis()
{
    return {false,
            QStringLiteral(".txt"),
            QStringLiteral("[Medicare]..tbMed_MedicalCaseRates"),
            QStringLiteral("ICDCode"),
            QStringLiteral("1"),
            QStringLiteral("Diagnosis/ICDCode"),
            QStringLiteral("diagnosis")};
}

CaseRatePass CaseRatePass::procedure()
{
    return {true,
            QStringLiteral("_PROCEDURE.txt"),
            QStringLiteral("[Medicare]..tbMed_Procedures"),
            QStringLiteral("RVSCODE "),
            QStringLiteral("2"),
            QStringLiteral("Procedure/RVSCODE "),
            QStringLiteral("procedure")};
}

namespace {
const QString kStars = QStringLiteral("******************************************");

QString trimmed(const QString& s)
{
    return trimBlanks(s).toString();
}

// A stored description with its line breaks as blanks.
QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return text::lineCommentText(text);
}

QString n(double value)
{
    return numbers::shortestText(value);
}
} // namespace

void CaseRateWriter::write(const Finding& f)
{
    const bool newStyle = f.table == QStringView(kNewStyleTable);
    switch (f.kind) {
    case Finding::Kind::NewRow:
        newStyle ? newStyleInsert(f) : newCode(f);
        break;
    case Finding::Kind::ChangedValues:
        f.table == QStringView(kPackageTable) ? rateChange(f) : descriptionChange(f);
        break;
    case Finding::Kind::ZeroAmount:
        m_logBox << QStringLiteral("Amount is 0. for package ") + f.key + QLatin1Char(' ') + f.code;
        break;
    case Finding::Kind::ReplacementValues:
        newStyleRateUpdate(f);
        break;
    case Finding::Kind::SameRow:
    case Finding::Kind::DuplicateRow:
        break;
    }
}

void CaseRateWriter::newStyleInsert(const Finding& f)
{
    const auto& v = f.proposed;
    m_files.writeLine(Slot::ScriptFile, QString());
    m_files.writeLine(Slot::ScriptFile,
                      QStringLiteral("INSERT INTO [Medicare].[dbo].tbMedPackage_NEW "
                                     "(PackageID,Code,Package,Amount,PF,MedRoomBoard,Status) ") +
                          QStringLiteral(" VALUES (") +
                          QStringLiteral("  (select MAX(convert(BIGINT,packageID)) from  "
                                         "[Medicare].[dbo].[tbMedPackage_NEW] )") +
                          QStringLiteral(",'") + sqlQuoted(trimmed(f.key)) + QStringLiteral("'") +
                          QStringLiteral(",'") + sqlQuoted(trimmed(v[QStringLiteral("Package")])) +
                          QStringLiteral("'") + QStringLiteral(",'") + v[QStringLiteral("Amount")] +
                          QStringLiteral("'") + QStringLiteral(",'") + v[QStringLiteral("PF")] +
                          QStringLiteral("'") + QStringLiteral(",'") + v[QStringLiteral("MedRoomBoard")] +
                          QStringLiteral("'") + QStringLiteral(",'1' )"));
    m_files.writeLine(Slot::ScriptFile, QString());
}

void CaseRateWriter::newCode(const Finding& f)
{
    const auto& v = f.proposed;
    const QString desc = v[QStringLiteral("Description")];
    m_files.writeLine(Slot::LogFile, QString());
    m_files.writeLine(Slot::LogFile, QStringLiteral("New Code: ") + f.key + QStringLiteral(" - ") + desc);

    const QString packageTable = QStringLiteral("[Medicare].[dbo].[tbMedPackage") + m_s + QStringLiteral("]");
    m_files.writeLine(
        Slot::ScriptFile,
        QStringLiteral("INSERT INTO ") + packageTable +
            QStringLiteral(" ([PackageID],[Package],[Amount],[PF],[MedRoomBoard],[Status],[CaseType]) ") +
            QStringLiteral(" VALUES((select  MAX(convert(BIGINT,packageID))+1 from  ") + packageTable +
            QStringLiteral("),'") + sqlQuoted(trimmed(desc)) + QStringLiteral("','") +
            v[QStringLiteral("Amount")] + QStringLiteral("','") + v[QStringLiteral("PF")] +
            QStringLiteral("','") + v[QStringLiteral("MedRoomBoard")] + QStringLiteral("','1','") +
            m_pass.caseType + QStringLiteral("');"));
    m_files.writeLine(Slot::ScriptFile, QString());
    m_files.writeLine(Slot::ScriptFile,
                      QStringLiteral("INSERT INTO ") + m_pass.table + m_s + QStringLiteral(" (") +
                          m_pass.codeColumn + QStringLiteral(",Description,Status,PACKAGEID) VALUES('") +
                          sqlQuoted(trimmed(f.key)) + QStringLiteral("','") + sqlQuoted(trimmed(desc)) +
                          QStringLiteral("','1',(select MAX(convert(BIGINT,packageID)) from  ") +
                          packageTable + QStringLiteral(") );"));
    m_files.writeLine(Slot::ScriptFile, QString());
    m_files.writeLine(Slot::ScriptFile, QString());
}

void CaseRateWriter::rateChange(const Finding& f)
{
    const auto& v = f.proposed;
    const auto& old = f.read;
    auto rounded = [&v](const char* column) {
        return n(numbers::roundTo2(numbers::leadingNumber(v[QLatin1String(column)])));
    };
    m_files.writeLine(Slot::LogFile, QString());
    m_files.writeLine(Slot::LogFile, QStringLiteral("Changes for Code: ") + f.code);
    m_files.writeLine(Slot::LogFile, QStringLiteral("Amount New ") + rounded("Amount") +
                                         QStringLiteral("  Amount old:") + old[QStringLiteral("Amount")]);
    m_files.writeLine(Slot::LogFile, QStringLiteral("pPF New ") + rounded("PF") +
                                         QStringLiteral("  pPF old:") + old[QStringLiteral("PF")]);
    m_files.writeLine(Slot::LogFile, QStringLiteral("MedRoomBoard New ") + rounded("MedRoomBoard") +
                                         QStringLiteral("  MedRoomBoard old:") +
                                         old[QStringLiteral("MedRoomBoard")]);
    m_files.writeLine(Slot::LogFile, QString());

    m_files.writeLine(Slot::ScriptPHFile, QString());
    m_files.writeLine(
        Slot::ScriptPHFile,
        QStringLiteral("UPDATE [Medicare].[dbo].[tbMedPackage") + m_s + QStringLiteral("] SET [Amount]='") +
            v[QStringLiteral("Amount")] + QStringLiteral("', [PF]='") + v[QStringLiteral("PF")] +
            QStringLiteral("', [MedRoomBoard]='") + v[QStringLiteral("MedRoomBoard")] + QStringLiteral("'") +
            QStringLiteral(" WHERE PackageID = '") + sqlQuoted(f.key) + QStringLiteral("' -- ") +
            text::lineCommentText(f.code + QLatin1Char(' ') + v[QStringLiteral("Description")]));
    m_files.writeLine(Slot::ScriptPHFile, QString());
}

void CaseRateWriter::descriptionChange(const Finding& f)
{
    const QString dbDesc = f.read[QStringLiteral("Description")];
    const QString desc = f.proposed[QStringLiteral("Description")];
    m_files.writeLine(Slot::LogFile, QStringLiteral("Description change for ") + f.key);
    m_files.writeLine(Slot::LogFile, QStringLiteral(" [DATABASE] ") + dbDesc);
    m_files.writeLine(Slot::LogFile, QStringLiteral(" [SOURCE F] ") + desc);
    m_files.writeLine(Slot::LogFile, QString());
    if (!m_updateDescriptions)
        return;
    m_files.writeLine(Slot::ScriptPHFile, QStringLiteral("UPDATE ") + m_pass.table + m_s +
                                              QStringLiteral(" SET Description='") + sqlQuoted(desc) +
                                              QStringLiteral("' WHERE ") + m_pass.codeColumn +
                                              QStringLiteral("='") + sqlQuoted(f.key) +
                                              QStringLiteral("' -- before:") + oneLine(dbDesc));
    m_files.writeLine(Slot::ScriptPHFile, QString());
}

void CaseRateWriter::newStyleRateUpdate(const Finding& f)
{
    const auto& v = f.proposed;
    m_files.writeLine(Slot::ScriptPHFile,
                      QStringLiteral("UPDATE [Medicare].[dbo].[tbMedPackage_NEW] SET [Amount]='") +
                          v[QStringLiteral("Amount")] + QStringLiteral("', [PF]='") +
                          v[QStringLiteral("PF")] + QStringLiteral("', [MedRoomBoard]='") +
                          v[QStringLiteral("MedRoomBoard")] + QStringLiteral("'") +
                          QStringLiteral(" WHERE Code  =  '") + sqlQuoted(f.key) + QStringLiteral("' -- ") +
                          text::lineCommentText(f.key + QLatin1Char(' ') + v[QStringLiteral("Description")]));
}

void CaseRateWriter::passSummary(const PassCounters& c, const QDateTime& when)
{
    const QStringList counts = {
        QStringLiteral("            New Code and Description :") + QString::number(c.phNewCode),
        QStringLiteral("           Same Code and Description :") + QString::number(c.phSameDescription),
        QStringLiteral("     Same Code different Description :") +
            QString::number(c.phSameCodeDifferentDescription),
        QStringLiteral("                            New Rate :") + QString::number(c.phNewRate)};
    for (int i = 0; i < 4; ++i)
        m_files.writeLine(Slot::LogFile, QString());
    m_files.writeLine(Slot::LogFile, kStars);
    m_files.writeLine(Slot::LogFile,
                      QStringLiteral("              ") + reconcile::ScanReportWriter::generalDateTime(when));
    m_files.writeLine(Slot::LogFile, kStars);
    m_files.writeLine(Slot::LogFile, QString());
    for (const QString& line : counts)
        m_files.writeLine(Slot::LogFile, line);
    m_files.writeLine(Slot::LogFile, QString());
    m_files.writeLine(Slot::LogFile, kStars);

    m_logBox << m_pass.heading << counts;
}

} // namespace orvex::caserates
