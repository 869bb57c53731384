#pragma once

#include "jobs/Job.h"
#include "tools/DuplicateCodes.h"
#include "tools/PackageClone.h"
#include "tools/PackageRates.h"
#include "tools/TableBackup.h"

namespace orvex::tools {

// The maintenance tools as jobs, for the window's runner and the command line alike (the
// backup's job is in TableBackup.h).

class PackageCloneJob final : public jobs::JobWithResult<CloneResult>
{
public:
    explicit PackageCloneJob(CloneParams params) : m_params(std::move(params)) {}
    QString title() const override { return QStringLiteral("clone"); }
    // "Done." or "Not Found."; no message for an empty code.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    CloneParams m_params;
};

// Writes UpdatePackageRates.txt in the context's output folder and asks for it to be opened.
// The result's changes: one rate change per package line of the script (none once stopped).
class PackageRateJob final : public jobs::JobWithResult<PackageRateResult>
{
public:
    explicit PackageRateJob(PackageRateParams params) : m_params(std::move(params)) {}
    QString title() const override { return QStringLiteral("package-rates"); }
    // Also writes output/report.html and output/changes.csv of the raised packages.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    PackageRateParams m_params;
};

struct DuplicateCodesResult
{
    qsizetype rowCount = 0;              // rows found (Count, Check) or deleted (Delete)
    QList<DifferingDuplicate> differing; // Count: the codes whose rows differ in description
};

class DuplicateCodesJob final : public jobs::JobWithResult<DuplicateCodesResult>
{
public:
    enum class Mode {
        Count, // the surplus rows and the codes of differing rows, nothing logged: what a delete would remove
        Check, // "Check Duplicates": the surplus rows, logged
        Delete, // "Delete Duplicates": removed and logged
    };
    DuplicateCodesJob(Mode mode, LogIdentity log) : m_mode(mode), m_log(std::move(log)) {}
    QString title() const override { return QStringLiteral("duplicates"); }
    bool changesIcdTables() const override { return m_mode == Mode::Delete; }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;
    Mode mode() const { return m_mode; }

private:
    Mode m_mode;
    LogIdentity m_log;
};

} // namespace orvex::tools
