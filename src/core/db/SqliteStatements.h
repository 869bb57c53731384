#pragma once

#include "db/Statements.h"

namespace orvex::db {

// SQLite with Build_FILE and Medicare attached as schemas: three-part names become
// schema.table, and "order by rowid" makes the first row the table's first in storage
// order, as SQL Server returns it from a heap or clustered scan.
class SqliteStatements final : public Statements
{
public:
    QString icdByCode() const override;
    QString icdByDescription() const override;
    QString caseRateByCode() const override;
    QString packageByName() const override;

    QString icdByCodeBatch(int keyCount) const override;
    QString icdByDescriptionBatch(int keyCount) const override;
    QString caseRateByCodeBatch(int keyCount) const override;
    QString packageByNameBatch(int keyCount) const override;

    QString rateCaseRateByCode(bool procedures) const override;
    QString ratePackageById() const override;
    QString rateNewStyleByCode() const override;
    QString rateCaseRateByCodeBatch(bool procedures, int keyCount) const override;
    QString ratePackageByIdBatch(int keyCount) const override;
    QString rateNewStyleByCodeBatch(int keyCount) const override;
    bool rateKeysAsJsonArray() const override { return true; }

    QList<TableProbe> tableProbes() const override;

    QString activityLogExists() const override;
    QString createActivityLog() const override;
    QString insertActivityLog() const override;
    QString lastActivityLog() const override;

    bool transactionsThroughDriver() const override;
    QString beginTransaction() const override;
    QString commitTransaction() const override;
    QString rollbackTransaction() const override;
    QStringList takeWriteLock() const override;

    QString centralUpdateRows() const override;
    QString insertIcd() const override;
    QString updateFirstIcdDescription() const override;
    QString browsePage(const QString& table, int descriptionWords) const override;
    QString browseInsert(const QString& table) const override;
    QString browseUpdate(const QString& table) const override;
    QString icdSearchRows() const override;

    QString largestPackageId() const override;
    QString caseRatePackage(CaseRateTable table) const override;
    QString packageRowCount() const override;
    QString packageCaseRateCount() const override;
    QString moveCaseRate(CaseRateTable table) const override;
    QString copyPackage() const override;
    QString activePackageAmounts() const override;
    QString duplicateIcdRows() const override;
    QString duplicateIcdRowsToDelete() const override;
    QString deleteDuplicateIcdRows() const override;

    QString lastApplyOrUndo() const override;
    QString largestPackageIdIn(const QString& table) const override;
    QString largestNewStylePackageId() const override;
    QString activityLogLinesLike() const override;
    QString lastBackup() const override;

    QStringList backupUseMedicare() const override;
    QStringList backupAddIdColumn(const QString& table) const override;
    QString backupTableDefinition() const override;
    QStringList backupCopyTable(const QString& table, const QString& copy,
                                const QString& definition) const override;
    QString backupCreateIndex(const QString& table, const QString& index,
                              const QString& column) const override;
    QString backupRowCount(const QString& table) const override;
};

} // namespace orvex::db
