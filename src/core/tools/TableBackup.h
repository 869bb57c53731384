#pragma once

#include "db/Connection.h"
#include "jobs/Job.h"
#include "tools/ToolLog.h"

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvex::tools {

// The copy suffixes the controls of tab "Update 2024" set: the box at start-up and after
// "Test Table" is unchecked, "Test Table" checked, "Version 2" chosen.
inline constexpr QLatin1String kDefaultCopySuffix{"_2_14_2024"};
inline constexpr QLatin1String kTestCopySuffix{"_TEST"};
inline constexpr QLatin1String kVersion2CopySuffix{"_05_03_2024"};

struct TableBackupParams
{
    QString suffix = kDefaultCopySuffix; // the copies' suffix, exactly as typed
    bool verB = false;                   // "Philhealth Ver B.": tbMedPackage_NEW is copied too
    LogIdentity log;
};

// The suffix is joined to table names in statement text, so only 1 to 64 letters (A to Z),
// digits and underscores are taken.
bool isValidCopySuffix(const QString& suffix);
// Why `suffix` is refused, for a message; empty when it is valid.
QString copySuffixProblem(const QString& suffix);

struct TableCopy
{
    QString table; // "tbMedPackage"
    QString copy;  // "tbMedPackage_2_14_2024"
    qint64 rows = 0;
};

struct TableBackupResult
{
    QList<TableCopy> copies;   // the copies made, in order
    QList<TableCopy> existing; // the copies there already, with their rows: not refreshed
    QStringList notMade;       // a copy or an index of a copy that could not be made, with the reason
    QStringList notMadeCopies; // the names of the copies that could not be made
    QStringList added;         // "ID column added to tbMedPackage", "Index by_Package added to ..."
    QStringList liveAdded;     // what of `added` went to the live tables
    QStringList passedOver;    // failures expected on the live tables (already there), kept quiet
    bool stopped = false;
};

// "Step1. Create table copies on": the ID column on the three live tables, then a copy of
// each table (tbMedPackage_NEW too with verB) with the rows it holds and its indexes, and
// the indexes the live tables lack. Statements run one by one in their fixed order, each
// committed on its own, and a failing one is passed over so the rest still run: on a live
// table it means the column or index is already there. A copy whose name is taken is not
// made again and keeps its rows (`existing`); one that could not be made otherwise (its
// table missing) is reported in `notMade`. One activity-log line names the suffix and each
// copy with its row count; a failure to write it is reported in `notMade`. Progress after
// each statement (or group); a stop request is seen between them. Ends with backupMessage;
// what was not made is also the outcome's failures. Throws orvex::Error, touching nothing,
// for a refused suffix.
class TableBackupJob final : public jobs::JobWithResult<TableBackupResult>
{
public:
    explicit TableBackupJob(TableBackupParams params) : m_params(std::move(params)) {}
    QString title() const override { return QStringLiteral("backup"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    void backUp(db::Connection& connection, const jobs::JobContext& context,
                const jobs::ProgressFn& progress);
    jobs::JobOutcome outcome() const;

    TableBackupParams m_params;
};

// The statements a backup sends, in order, without its reads (SQLite's copies shown
// without the live table's definition): for review and tests.
QStringList backupStatementTexts(db::Product product, const QString& suffix, bool verB);

// The closing message of a backup: "Done." with each copy made and its rows, the copies
// that were there already, what the live tables gained, and what was not made.
QString backupMessage(const QString& suffix, const TableBackupResult& result);

// The activity-log line of a backup.
QString backupLogLine(const QString& suffix, const TableBackupResult& result);

} // namespace orvex::tools
