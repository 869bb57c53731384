#pragma once

#include "jobs/Job.h"
#include "tools/DuplicateCodes.h"
#include "tools/PackageClone.h"
#include "tools/PackageRates.h"
#include "tools/TableBackup.h"

namespace orvex::tools {

// The maintenance tools as jobs, for the window's runner and the command line alike.

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
class PackageRateJob final : public jobs::Job
{
public:
    explicit PackageRateJob(PackageRateParams params) : m_params(std::move(params)) {}
    QString title() const override { return QStringLiteral("package-rates"); }
    // Also writes output/report.html and output/changes.csv of the raised packages.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;
    // The last run's changes: one rate change per package line of the script.
    const jobs::Findings& changes() const { return m_changes; }

private:
    PackageRateParams m_params;
    jobs::Findings m_changes;
};

// result(): the rows found (Count, Check) or deleted (Delete).
class DuplicateCodesJob final : public jobs::JobWithResult<qsizetype>
{
public:
    enum class Mode {
        Count,  // the surplus rows, nothing logged: what a delete would remove
        Check,  // "Check Duplicates": the surplus rows, logged
        Delete, // "Delete Duplicates": removed and logged
    };
    DuplicateCodesJob(Mode mode, LogIdentity log) : m_mode(mode), m_log(std::move(log)) {}
    QString title() const override { return QStringLiteral("duplicates"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;
    Mode mode() const { return m_mode; }

private:
    Mode m_mode;
    LogIdentity m_log;
};

// "Step1. Create table copies on". Ends with "Done.", or with "Done, but these were not
// made:" and the copies (and indexes of copies) that failed, which are also the outcome's
// failures. Throws orvex::Error, touching nothing, for a refused suffix.
class TableBackupJob final : public jobs::JobWithResult<TableBackupResult>
{
public:
    explicit TableBackupJob(TableBackupParams params) : m_params(std::move(params)) {}
    QString title() const override { return QStringLiteral("backup"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    TableBackupParams m_params;
};

} // namespace orvex::tools
