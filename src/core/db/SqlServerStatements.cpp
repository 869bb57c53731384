#include "db/SqlServerStatements.h"

#include "db/StatementParts.h"

#include <QStringList>

namespace orvex::db {

namespace {
// SQL Server returns rows in no defined order without ORDER BY, and the scan takes the first
// row of a key. Both lookup forms therefore sort by every column the scan reads, so that they
// return the same first row by construction. Text columns are compared byte for byte (the
// case-insensitive collation would leave "a00.0" and "A00.0" tied); the others (PackageID,
// CaseType and the amounts may be numbers on a hospital's server) as they are.
struct OrderColumn
{
    const char* name;
    bool text;
};

QString orderBy(std::initializer_list<OrderColumn> columns, const QString& prefix = QString())
{
    QStringList parts;
    for (const OrderColumn& column : columns) {
        parts << prefix + QLatin1String(column.name) +
                     (column.text ? QStringLiteral(" collate Latin1_General_BIN2") : QString());
    }
    return QStringLiteral(" order by ") + parts.join(QStringLiteral(", "));
}

QString icdOrder(const QString& prefix = QString())
{
    return orderBy({{"CODE", true}, {"Description", true}}, prefix);
}

QString caseRateOrder(const QString& prefix = QString())
{
    return orderBy({{"ICDCode", true}, {"Description", true}, {"CaseType", false}, {"PackageID", false}},
                   prefix);
}

QString packageOrder(const QString& prefix = QString())
{
    return orderBy(
        {{"Package", true}, {"PackageID", false}, {"Amount", false}, {"PF", false}, {"MedRoomBoard", false}},
        prefix);
}

// The batched lookups: the keys as a derived table k(v) joined to the table on the key column.
QString keysJoined(int keyCount, const QString& columns, const QString& table, const QString& keyColumn)
{
    return QStringLiteral("select k.v, %2 from (values %1) as k(v) join %3 t on t.%4 = k.v")
        .arg(valuesRows(keyCount), columns, table, keyColumn);
}

const QString kJoined = QStringLiteral("t.");
} // namespace

QString SqlServerStatements::icdByCode() const
{
    return QStringLiteral("select CODE,Description from build_file.dbo.tbICDdiagMain where code  = ?") +
           icdOrder();
}

QString SqlServerStatements::icdByDescription() const
{
    return QStringLiteral(
               "select CODE,Description from build_file.dbo.tbICDdiagMain where Description  = ?") +
           icdOrder();
}

QString SqlServerStatements::caseRateByCode() const
{
    return QStringLiteral("select [ICDCode],[Description],[CaseType],[PackageID] from "
                          "[Medicare].[dbo].[tbMed_MedicalCaseRates] where ICDCode  = ?") +
           caseRateOrder();
}

QString SqlServerStatements::packageByName() const
{
    return QStringLiteral("select * from [Medicare].[dbo].[tbMedPackage] where Package  = ?") +
           packageOrder();
}

QString SqlServerStatements::icdByCodeBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.CODE, t.Description"),
                      QStringLiteral("build_file.dbo.tbICDdiagMain"), QStringLiteral("code")) +
           icdOrder(kJoined);
}

QString SqlServerStatements::icdByDescriptionBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.CODE, t.Description"),
                      QStringLiteral("build_file.dbo.tbICDdiagMain"), QStringLiteral("Description")) +
           icdOrder(kJoined);
}

QString SqlServerStatements::caseRateByCodeBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.[ICDCode], t.[Description], t.[CaseType], t.[PackageID]"),
                      QStringLiteral("[Medicare].[dbo].[tbMed_MedicalCaseRates]"),
                      QStringLiteral("ICDCode")) +
           caseRateOrder(kJoined);
}

QString SqlServerStatements::packageByNameBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.PackageID, t.Package, t.Amount, t.PF, t.MedRoomBoard"),
                      QStringLiteral("[Medicare].[dbo].[tbMedPackage]"), QStringLiteral("Package")) +
           packageOrder(kJoined);
}

// The update run's lookups, as the run has always sent them, the key now bound.

QString SqlServerStatements::rateCaseRateByCode(bool procedures) const
{
    return procedures ? QStringLiteral("select RVSCODE  AS CODE ,[Description],[PackageID] from "
                                       "[Medicare]..tbMed_Procedures where RVSCODE   =  ?")
                      : QStringLiteral("select ICDCode AS CODE ,[Description],[PackageID] from "
                                       "[Medicare]..tbMed_MedicalCaseRates where ICDCode  =  ?");
}

QString SqlServerStatements::ratePackageById() const
{
    return QStringLiteral("select * from [Medicare].[dbo].[tbMedPackage] where Packageid  = ?");
}

QString SqlServerStatements::rateNewStyleByCode() const
{
    return QStringLiteral("select  * FROM  [Medicare].[dbo].tbMedPackage_NEW WHERE  CODE    =  ?");
}

QString SqlServerStatements::rateCaseRateByCodeBatch(bool procedures, int keyCount) const
{
    return procedures
               ? keysJoined(keyCount, QStringLiteral("t.RVSCODE AS CODE, t.[Description], t.[PackageID]"),
                            QStringLiteral("[Medicare].[dbo].[tbMed_Procedures]"), QStringLiteral("RVSCODE"))
               : keysJoined(keyCount, QStringLiteral("t.ICDCode AS CODE, t.[Description], t.[PackageID]"),
                            QStringLiteral("[Medicare].[dbo].[tbMed_MedicalCaseRates]"),
                            QStringLiteral("ICDCode"));
}

QString SqlServerStatements::ratePackageByIdBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.PackageID, t.Amount, t.PF, t.MedRoomBoard"),
                      QStringLiteral("[Medicare].[dbo].[tbMedPackage]"), QStringLiteral("Packageid"));
}

QString SqlServerStatements::rateNewStyleByCodeBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.CODE"),
                      QStringLiteral("[Medicare].[dbo].[tbMedPackage_NEW]"), QStringLiteral("CODE"));
}

QList<TableProbe> SqlServerStatements::tableProbes() const
{
    return {
        {QStringLiteral("Build_FILE"), QStringLiteral("tbICDdiagMain"), QStringLiteral("CODE, Description"),
         QStringLiteral("select top (0) CODE, Description from build_file.dbo.tbICDdiagMain")},
        {QStringLiteral("Medicare"), QStringLiteral("tbMed_MedicalCaseRates"),
         QStringLiteral("ICDCode, Description, CaseType, PackageID"),
         QStringLiteral("select top (0) ICDCode, Description, CaseType, PackageID from "
                        "Medicare.dbo.tbMed_MedicalCaseRates")},
        {QStringLiteral("Medicare"), QStringLiteral("tbMedPackage"),
         QStringLiteral("PackageID, Package, Amount, PF, MedRoomBoard"),
         QStringLiteral(
             "select top (0) PackageID, Package, Amount, PF, MedRoomBoard from Medicare.dbo.tbMedPackage")},
    };
}

QString SqlServerStatements::activityLogExists() const
{
    return QStringLiteral(
        "select case when object_id(N'Build_FILE.dbo.tbActivityLog', N'U') is null then 0 else 1 end");
}

QString SqlServerStatements::createActivityLog() const
{
    return QStringLiteral("if object_id(N'Build_FILE.dbo.tbActivityLog', N'U') is null "
                          "create table Build_FILE.dbo.tbActivityLog ("
                          "LogID bigint identity(1,1) not null primary key, "
                          "LogTime datetime2(0) not null, "
                          "UserID nvarchar(128) null, "
                          "Workstation nvarchar(128) null, "
                          "LogText nvarchar(max) null)");
}

QString SqlServerStatements::insertActivityLog() const
{
    return QStringLiteral("insert into Build_FILE.dbo.tbActivityLog (LogTime, UserID, Workstation, LogText) "
                          "values (?, ?, ?, ?)");
}

QString SqlServerStatements::lastActivityLog() const
{
    return QStringLiteral(
        "select LogTime, UserID, Workstation, LogText from ("
        "select top (?) LogID, LogTime, UserID, Workstation, LogText from Build_FILE.dbo.tbActivityLog "
        "order by LogID desc) as lastRows order by LogID");
}

// ---- Statements that change data ----------------------------------------------------

bool SqlServerStatements::transactionsThroughDriver() const
{
    return true;
}

QString SqlServerStatements::beginTransaction() const
{
    return QString(); // the driver's call
}

QString SqlServerStatements::commitTransaction() const
{
    return QString(); // the driver's call
}

QString SqlServerStatements::rollbackTransaction() const
{
    return QString(); // the driver's call
}

QStringList SqlServerStatements::takeWriteLock() const
{
    // Held until the transaction ends; waits at most 30 s for another Orvex writer. The
    // procedure reports a timeout only by its return value, so that becomes an error.
    return {
        QStringLiteral("declare @granted int; "
                       "exec @granted = sp_getapplock @Resource = N'orvex-write', @LockMode = N'Exclusive', "
                       "@LockOwner = N'Transaction', @LockTimeout = 30000; "
                       "if @granted < 0 raiserror(N'Another Orvex tool is writing to the database; "
                       "try again when it has finished.', 16, 1)")};
}

QString SqlServerStatements::centralUpdateRows() const
{
    return QStringLiteral("select * from build_file.dbo.tbICDdiagMainUpdate  ");
}

QString SqlServerStatements::insertIcd() const
{
    return QStringLiteral(
        "insert into build_file.dbo.tbICDdiagMain (CODE, Description, ALLOWASPRIMARY) values (?, ?, ?)");
}

QString SqlServerStatements::updateFirstIcdDescription() const
{
    // A derived table with top (1) is updatable: only the first row of the code changes.
    return QStringLiteral("update firstRow set Description = ? from "
                          "(select top (1) * from build_file.dbo.tbICDdiagMain where code  = ?) as firstRow");
}

QString SqlServerStatements::browsePage(const QString& table, int descriptionWords) const
{
    return QStringLiteral("select code, Description from build_file.dbo.%1%2 order by code, Description "
                          "offset ? rows fetch next ? rows only")
        .arg(table, browseFilter(descriptionWords));
}

QString SqlServerStatements::browseInsert(const QString& table) const
{
    return QStringLiteral("insert into build_file.dbo.%1 (code, Description) values (?, ?)").arg(table);
}

QString SqlServerStatements::browseUpdate(const QString& table) const
{
    return QStringLiteral("update firstRow set code = ?, Description = ? from "
                          "(select top (1) * from build_file.dbo.%1 where code = ? and "
                          "(Description = ? or (Description is null and ? is null))) as firstRow")
        .arg(table);
}

QString SqlServerStatements::icdSearchRows() const
{
    return QStringLiteral("select CODE, Description from build_file.dbo.tbICDdiagMain");
}

} // namespace orvex::db

namespace orvex::db {

namespace {
// The case-rate table and its code column, by three-part name.
QString caseRateTable(CaseRateTable table)
{
    return table == CaseRateTable::Medical ? QStringLiteral("[Medicare].[dbo].[tbMed_MedicalCaseRates]")
                                           : QStringLiteral("[Medicare].[dbo].[tbMed_Procedures]");
}

QString caseRateCode(CaseRateTable table)
{
    return table == CaseRateTable::Medical ? QStringLiteral("ICDCode") : QStringLiteral("RVSCode");
}
} // namespace

QString SqlServerStatements::largestPackageId() const
{
    return largestPackageIdIn(QStringLiteral("tbMedPackage"));
}

QString SqlServerStatements::caseRatePackage(CaseRateTable table) const
{
    return QStringLiteral("SELECT TOP (1) PACKAGEID FROM %1 WITH (UPDLOCK, HOLDLOCK) WHERE %2 = ?")
        .arg(caseRateTable(table), caseRateCode(table));
}

QString SqlServerStatements::packageRowCount() const
{
    return QStringLiteral("SELECT COUNT(*) FROM [Medicare].[dbo].[tbMedPackage] WHERE packageid = ?");
}

QString SqlServerStatements::packageCaseRateCount() const
{
    return QStringLiteral(
               "SELECT (SELECT COUNT(*) FROM %1 WHERE PACKAGEID = ?) + (SELECT COUNT(*) FROM %2 WHERE "
               "PACKAGEID = ?)")
        .arg(caseRateTable(CaseRateTable::Medical), caseRateTable(CaseRateTable::Procedures));
}

QString SqlServerStatements::moveCaseRate(CaseRateTable table) const
{
    // The rows it may pick from share code and package: whichever it takes, the split is the same.
    return QStringLiteral("UPDATE TOP (1) %1 SET PACKAGEID = ? WHERE %2 = ? AND PACKAGEID = ?")
        .arg(caseRateTable(table), caseRateCode(table));
}

QString SqlServerStatements::copyPackage() const
{
    return QStringLiteral(
        "insert into [Medicare].[dbo].[tbMedPackage] ([PackageID]"
        ",[Package],[Shortcut],[Amount],[pF],[IsAllowSlashing],[Status],[MedRoomBoard],[MedDrugs],[MedOthers]"
        ","
        "[MedOR],[Type],[isZBenefit],[isAllowSecondCR],[HCIPercentage],[PFPercentage],[CaseRatePercentage],"
        "[isACR],[canMultiple],[CaseType]"
        " ) "
        " select "
        "?"
        ",[Package],[Shortcut],[Amount],[PF],[IsAllowSlashing],[Status],[MedRoomBoard],[MedDrugs],[MedOthers]"
        ","
        "[MedOR],[Type],[isZBenefit],[isAllowSecondCR],[HCIPercentage],[PFPercentage],[CaseRatePercentage],"
        "[isACR],[canMultiple],[CaseType]"
        " from [Medicare].[dbo].[tbMedPackage] where packageid = ?");
}

QString SqlServerStatements::activePackageAmounts() const
{
    return QStringLiteral("SELECT PACKAGEID, Amount,MedRoomBoard,MedDrugs,MedOthers,MedOR,PF,Package FROM  "
                          "[Medicare].[dbo].[tbMedPackage] WHERE STATUS = 1 ");
}

QString SqlServerStatements::duplicateIcdRows() const
{
    return QStringLiteral(
        "WITH CTE AS(SELECT [code],description,RN = ROW_NUMBER()OVER(PARTITION BY code ORDER "
        "BY code)   FROM Build_FIle..tbIcdDiagMain ) SELECT *  FROM CTE WHERE RN > 1");
}

QString SqlServerStatements::duplicateIcdRowsToDelete() const
{
    // Which row of a code the server numbers first is its choice; the delete reports its own.
    return QString();
}

QString SqlServerStatements::deleteDuplicateIcdRows() const
{
    // OUTPUT hands back exactly the rows deleted, so the log names those and no others.
    return QStringLiteral(
        "WITH CTE AS(SELECT [code],description,ALLOWASPRIMARY,RN = ROW_NUMBER()OVER(PARTITION "
        "BY code ORDER BY code)   FROM Build_FIle..tbIcdDiagMain ) DELETE FROM CTE "
        "OUTPUT deleted.[code], deleted.description, deleted.ALLOWASPRIMARY WHERE RN > 1");
}

// The table backup as the hospital has always run it, statement by statement; the
// index statements name the copies by [dbo] only, so they rely on the USE before them.

QStringList SqlServerStatements::backupUseMedicare() const
{
    // The connection's default database first (what the driver sends for it), then the USE.
    return {QStringLiteral("USE [MEDICARE]"), QStringLiteral("USE MEDICARE")};
}

QStringList SqlServerStatements::backupAddIdColumn(const QString& table) const
{
    return {
        QStringLiteral("ALTER TABLE [Medicare]..[%1] ADD [ID] [bigint] IDENTITY(1,1) NOT NULL ").arg(table)};
}

QString SqlServerStatements::backupTableDefinition() const
{
    return QString(); // SELECT INTO takes the columns itself
}

QStringList SqlServerStatements::backupCopyTable(const QString& table, const QString& copy,
                                                 const QString&) const
{
    return {QStringLiteral("SELECT * INTO MEDICARE..%1 FROM MEDICARE..%2").arg(copy, table)};
}

QString SqlServerStatements::backupCreateIndex(const QString& table, const QString& index,
                                               const QString& column) const
{
    return QStringLiteral(" CREATE NONCLUSTERED INDEX [%1] ON [dbo].[%2] ([%3] Asc) ON [PRIMARY] ")
        .arg(index, table, column);
}

QString SqlServerStatements::backupRowCount(const QString& table) const
{
    return QStringLiteral("SELECT COUNT_BIG(*) FROM MEDICARE..%1").arg(table);
}

QString SqlServerStatements::largestPackageIdIn(const QString& table) const
{
    // UPDLOCK, HOLDLOCK: a second workstation taking a new identifier at the same moment
    // waits here until this transaction ends, so both cannot take the same one.
    return QStringLiteral("SELECT MAX(try_convert(BIGINT,packageID)) AS MAXP, "
                          "(SELECT TOP (1) PackageID FROM [Medicare].[dbo].[%1] "
                          "WHERE PackageID IS NOT NULL AND try_convert(BIGINT,PackageID) IS NULL) "
                          "FROM [Medicare].[dbo].[%1] WITH (UPDLOCK, HOLDLOCK)")
        .arg(table);
}

QString SqlServerStatements::largestNewStylePackageId() const
{
    return QStringLiteral(
        "SELECT MAX(try_convert(BIGINT,packageID)) FROM [Medicare].[dbo].[tbMedPackage_NEW] "
        "WITH (UPDLOCK, HOLDLOCK)");
}

QString SqlServerStatements::lastApplyOrUndo() const
{
    return QStringLiteral(
        "SELECT MAX(LogTime) FROM Build_FILE.dbo.tbActivityLog WHERE LogText LIKE ? OR LogText LIKE ?");
}

QString SqlServerStatements::activityLogLinesLike() const
{
    return QStringLiteral("SELECT COUNT(*) FROM Build_FILE.dbo.tbActivityLog WHERE LogText LIKE ?");
}

QString SqlServerStatements::lastBackup() const
{
    return QStringLiteral(
        "SELECT MAX(LogTime) FROM Build_FILE.dbo.tbActivityLog WHERE LogText LIKE ? AND LogText NOT LIKE ?");
}

} // namespace orvex::db
