#pragma once

#include "reconcile/ScanLookups.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace orvex::report {
class ReportFileSet;
}

namespace orvex::reconcile {

// Every report and script line the scan writes, in the order and form administrators'
// scripts rely on. Values put into an SQL literal pass through escapeSqlQuotes on a copy.
class ScanReportWriter
{
public:
    explicit ScanReportWriter(report::ReportFileSet& files) : m_files(files) {}

    // Class "new code": the ICD INSERT and the plain report line.
    void newCode(const QString& code, const QString& description);
    // Class "same description, different code": the row found by description.
    void sameDescription(const IcdRow& stored, const QString& code, const QString& description);
    // Class "same code, different description": report entry and the UPDATE.
    void sameCode(const IcdRow& stored, const QString& code, const QString& description);

    // The package step's two blocks (PH scan).
    void packageInsert(const QString& groupName, const QString& amount, const QString& pf,
                       const QString& hci);
    void packageUpdate(const QString& amount, const QString& pf, const QString& hci,
                       const QString& packageId);
    // A new case rate; `packageId` is the package the package step found, if any.
    void caseRateInsert(const QString& code, const QString& description, const QString& groupName,
                        const std::optional<QString>& packageId);
    void caseRateDescriptionUpdate(const QVariant& storedDescription, const QString& code,
                                   const QString& description);

    // The summary block appended to the log.
    struct SummaryCounts
    {
        int newCodes = 0;
        int sameCodeAndDescription = 0;
        int sameCodeDifferentDescription = 0;
        int sameDescriptionDifferentCode = 0;
    };
    void summary(const SummaryCounts& counts, const QDateTime& when);

    // "the workstation's general date-and-time format": short date, long time.
    static QString generalDateTime(const QDateTime& when);

private:
    report::ReportFileSet& m_files;
};

} // namespace orvex::reconcile
