#pragma once

#include "caserates/CaseRatePass.h"
#include "jobs/Finding.h"

#include <QDateTime>
#include <QStringList>

namespace orvex::report {
class ReportFileSet;
}

namespace orvex::caserates {

// What a pass counts (jobs::Counter names each).
struct PassCounters
{
    int phNewCode = 0;
    int phSameDescription = 0;
    int phSameCodeDifferentDescription = 0;
    int phNewRate = 0;
    int linesRead = 0;
};

// Renders the update run's findings into script.txt, scriptPH.txt, the log and the log box,
// line for line as administrators' review relies on. `testSuffix` (S) aims the INSERTs and
// UPDATEs at the test copies.
class CaseRateWriter
{
public:
    // `updateDescriptions`: a changed description also gets its UPDATE.
    CaseRateWriter(report::ReportFileSet& files, const CaseRatePass& pass, QString testSuffix,
                   bool updateDescriptions, QStringList& logBoxLines)
        : m_files(files), m_pass(pass), m_s(std::move(testSuffix)), m_updateDescriptions(updateDescriptions),
          m_logBox(logBoxLines)
    {
    }

    void write(const jobs::Finding& finding);
    void passSummary(const PassCounters& counters, const QDateTime& when);

private:
    void newStyleInsert(const jobs::Finding& f);
    void newCode(const jobs::Finding& f);
    void rateChange(const jobs::Finding& f);
    void descriptionChange(const jobs::Finding& f);
    void newStyleRateUpdate(const jobs::Finding& f);

    report::ReportFileSet& m_files;
    const CaseRatePass& m_pass;
    QString m_s;
    bool m_updateDescriptions;
    QStringList& m_logBox;
};

// The table names the findings carry.
inline constexpr char16_t kPackageTable[] = u"tbMedPackage";
inline constexpr char16_t kNewStyleTable[] = u"tbMedPackage_NEW";

} // namespace orvex::caserates
