#include "db/SqliteStatements.h"

#include "db/StatementParts.h"

#include <QRegularExpression>

namespace orvex::db {

namespace {
// The batched lookups: the keys as a list k(v) joined to the table on the key column, rows
// in storage order so that a key's first row is the one the single-key form returns.
QString keysJoined(int keyCount, const QString& columns, const QString& table, const QString& keyColumn)
{
    return QStringLiteral(
               "with k(v) as (values %1) select k.v, %2 from k join %3 t on t.%4 = k.v order by t.rowid")
        .arg(valuesRows(keyCount), columns, table, keyColumn);
}

// The same with the keys as one JSON array: SQLite numbers every "?" of a statement by a
// list search, so thousands of them cost more than the lookups. "cross join" keeps the
// keys as the outer loop, each key a seek on the table's index.
QString jsonKeysJoined(const QString& columns, const QString& table, const QString& keyColumn)
{
    return QStringLiteral(
               "with k(v) as (select value from json_each(?)) select k.v, %1 from k cross join %2 t "
               "on t.%3 = k.v order by t.rowid")
        .arg(columns, table, keyColumn);
}
} // namespace

// The key column stands on the left of "=" so that its collation (CI_AS in the
// embedded files) decides the match, and its index serves the lookup.

QString SqliteStatements::icdByCode() const
{
    return QStringLiteral(
        "select CODE,Description from Build_FILE.tbICDdiagMain where code  = ? order by rowid");
}

QString SqliteStatements::icdByDescription() const
{
    return QStringLiteral(
        "select CODE,Description from Build_FILE.tbICDdiagMain where Description  = ? order by rowid");
}

QString SqliteStatements::caseRateByCode() const
{
    return QStringLiteral("select [ICDCode],[Description],[CaseType],[PackageID] from "
                          "[Medicare].[tbMed_MedicalCaseRates] where ICDCode  = ? order by rowid");
}

QString SqliteStatements::packageByName() const
{
    return QStringLiteral("select PackageID,Package,Amount,PF,MedRoomBoard from "
                          "[Medicare].[tbMedPackage] where Package  = ? order by rowid");
}

QString SqliteStatements::icdByCodeBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.CODE, t.Description"),
                      QStringLiteral("Build_FILE.tbICDdiagMain"), QStringLiteral("CODE"));
}

QString SqliteStatements::icdByDescriptionBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.CODE, t.Description"),
                      QStringLiteral("Build_FILE.tbICDdiagMain"), QStringLiteral("Description"));
}

QString SqliteStatements::caseRateByCodeBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.ICDCode, t.Description, t.CaseType, t.PackageID"),
                      QStringLiteral("Medicare.tbMed_MedicalCaseRates"), QStringLiteral("ICDCode"));
}

QString SqliteStatements::packageByNameBatch(int keyCount) const
{
    return keysJoined(keyCount, QStringLiteral("t.PackageID, t.Package, t.Amount, t.PF, t.MedRoomBoard"),
                      QStringLiteral("Medicare.tbMedPackage"), QStringLiteral("Package"));
}

// The update run's lookups. Key on the left of "=", as above.

QString SqliteStatements::rateCaseRateByCode(bool procedures) const
{
    return procedures ? QStringLiteral("select RVSCODE  AS CODE ,[Description],[PackageID] from "
                                       "Medicare.tbMed_Procedures where RVSCODE   =  ? order by rowid")
                      : QStringLiteral("select ICDCode AS CODE ,[Description],[PackageID] from "
                                       "Medicare.tbMed_MedicalCaseRates where ICDCode  =  ? order by rowid");
}

QString SqliteStatements::ratePackageById() const
{
    return QStringLiteral("select PackageID, Amount, PF, MedRoomBoard from Medicare.tbMedPackage "
                          "where Packageid  = ? order by rowid");
}

QString SqliteStatements::rateNewStyleByCode() const
{
    return QStringLiteral("select Code FROM Medicare.tbMedPackage_NEW WHERE  CODE    =  ? order by rowid");
}

QString SqliteStatements::rateCaseRateByCodeBatch(bool procedures, int) const
{
    return procedures
               ? jsonKeysJoined(QStringLiteral("t.RVSCODE AS CODE, t.Description, t.PackageID"),
                                QStringLiteral("Medicare.tbMed_Procedures"), QStringLiteral("RVSCODE"))
               : jsonKeysJoined(QStringLiteral("t.ICDCode AS CODE, t.Description, t.PackageID"),
                                QStringLiteral("Medicare.tbMed_MedicalCaseRates"), QStringLiteral("ICDCode"));
}

QString SqliteStatements::ratePackageByIdBatch(int) const
{
    return jsonKeysJoined(QStringLiteral("t.PackageID, t.Amount, t.PF, t.MedRoomBoard"),
                          QStringLiteral("Medicare.tbMedPackage"), QStringLiteral("PackageID"));
}

QString SqliteStatements::rateNewStyleByCodeBatch(int) const
{
    return jsonKeysJoined(QStringLiteral("t.Code"), QStringLiteral("Medicare.tbMedPackage_NEW"),
                          QStringLiteral("Code"));
}

QList<TableProbe> SqliteStatements::tableProbes() const
{
    // The comparisons make SQLite resolve each key column's collation now, so a file
    // that needs CI_AS where it is not registered fails here, not in the middle of a scan.
    return {
        {QStringLiteral("Build_FILE"), QStringLiteral("tbICDdiagMain"), QStringLiteral("CODE, Description"),
         QStringLiteral("select CODE, Description from Build_FILE.tbICDdiagMain "
                        "where CODE = '' and Description = '' limit 0")},
        {QStringLiteral("Medicare"), QStringLiteral("tbMed_MedicalCaseRates"),
         QStringLiteral("ICDCode, Description, CaseType, PackageID"),
         QStringLiteral(
             "select ICDCode, Description, CaseType, PackageID from Medicare.tbMed_MedicalCaseRates "
             "where ICDCode = '' limit 0")},
        {QStringLiteral("Medicare"), QStringLiteral("tbMedPackage"),
         QStringLiteral("PackageID, Package, Amount, PF, MedRoomBoard"),
         QStringLiteral("select PackageID, Package, Amount, PF, MedRoomBoard from Medicare.tbMedPackage "
                        "where Package = '' limit 0")},
    };
}

QString SqliteStatements::activityLogExists() const
{
    return QStringLiteral("select count(*) from Build_FILE.sqlite_master "
                          "where type = 'table' and name = 'tbActivityLog' collate nocase");
}

QString SqliteStatements::createActivityLog() const
{
    // No CI_AS here: the log stays readable over ODBC, where that collation is missing.
    return QStringLiteral("create table if not exists Build_FILE.tbActivityLog ("
                          "LogID integer primary key autoincrement, "
                          "LogTime text not null, "
                          "UserID text, "
                          "Workstation text, "
                          "LogText text)");
}

QString SqliteStatements::insertActivityLog() const
{
    return QStringLiteral(
        "insert into Build_FILE.tbActivityLog (LogTime, UserID, Workstation, LogText) values (?, ?, ?, ?)");
}

QString SqliteStatements::lastActivityLog() const
{
    return QStringLiteral("select LogTime, UserID, Workstation, LogText from ("
                          "select LogID, LogTime, UserID, Workstation, LogText from Build_FILE.tbActivityLog "
                          "order by LogID desc limit ?) order by LogID");
}

// ---- Statements that change data ----------------------------------------------------

bool SqliteStatements::transactionsThroughDriver() const
{
    return false;
}

QString SqliteStatements::beginTransaction() const
{
    return QStringLiteral("begin");
}

QString SqliteStatements::commitTransaction() const
{
    return QStringLiteral("commit");
}

QString SqliteStatements::rollbackTransaction() const
{
    return QStringLiteral("rollback");
}

QStringList SqliteStatements::takeWriteLock() const
{
    // A write that changes nothing takes each attached file's write lock. Not "begin
    // immediate": it locks the connection's main file too, which behind ODBC may be one
    // of the two files attached a second time, and would then wait for itself.
    return {QStringLiteral("delete from Build_FILE.tbICDdiagMain where 0"),
            QStringLiteral("delete from Medicare.tbMedPackage where 0")};
}

QString SqliteStatements::centralUpdateRows() const
{
    // The central database is the connection's main file.
    return QStringLiteral("select * from tbICDdiagMainUpdate");
}

QString SqliteStatements::insertIcd() const
{
    return QStringLiteral(
        "insert into Build_FILE.tbICDdiagMain (CODE, Description, ALLOWASPRIMARY) values (?, ?, ?)");
}

QString SqliteStatements::updateFirstIcdDescription() const
{
    return QStringLiteral(
        "update Build_FILE.tbICDdiagMain set Description = ? where rowid = "
        "(select rowid from Build_FILE.tbICDdiagMain where CODE = ? order by rowid limit 1)");
}

QString SqliteStatements::browsePage(const QString& table, int descriptionWords) const
{
    // "limit offset, count": the same order of values as SQL Server's offset/fetch.
    return QStringLiteral("select code, Description from Build_FILE.%1%2 order by code, Description, rowid "
                          "limit ?, ?")
        .arg(table, browseFilter(descriptionWords));
}

QString SqliteStatements::browseInsert(const QString& table) const
{
    return QStringLiteral("insert into Build_FILE.%1 (code, Description) values (?, ?)").arg(table);
}

QString SqliteStatements::browseUpdate(const QString& table) const
{
    return QStringLiteral("update Build_FILE.%1 set code = ?, Description = ? where rowid = "
                          "(select rowid from Build_FILE.%1 where code = ? and "
                          "(Description = ? or (Description is null and ? is null)) order by rowid limit 1)")
        .arg(table);
}

QString SqliteStatements::icdSearchRows() const
{
    return QStringLiteral("select CODE, Description from Build_FILE.tbICDdiagMain order by rowid");
}

} // namespace orvex::db

namespace orvex::db {

namespace {
QString caseRateTable(CaseRateTable table)
{
    return table == CaseRateTable::Medical ? QStringLiteral("Medicare.tbMed_MedicalCaseRates")
                                           : QStringLiteral("Medicare.tbMed_Procedures");
}

QString caseRateCode(CaseRateTable table)
{
    return table == CaseRateTable::Medical ? QStringLiteral("ICDCode") : QStringLiteral("RVSCode");
}

// The package columns a clone copies, in the order of the copy statement.
const char* const kCopiedPackageColumns =
    "Package,Shortcut,Amount,PF,IsAllowSlashing,Status,MedRoomBoard,MedDrugs,MedOthers,MedOR,Type,isZBenefit,"
    "isAllowSecondCR,HCIPercentage,PFPercentage,CaseRatePercentage,isACR,canMultiple,CaseType";

// The rows of tbICDdiagMain numbered within their code (as the column's collation
// compares), in storage order: number 1 is the row that stays.
const char* const kNumberedIcdRows =
    "select rowid as r, CODE as code, Description as description, "
    "row_number() over (partition by CODE order by rowid) as rn from Build_FILE.tbICDdiagMain";
} // namespace

// The write transaction around a clone (begun immediate) keeps other writers out, so the
// maximum read here stays the maximum until the commit.
QString SqliteStatements::largestPackageId() const
{
    return largestPackageIdIn(QStringLiteral("tbMedPackage"));
}

QString SqliteStatements::caseRatePackage(CaseRateTable table) const
{
    return QStringLiteral("select PACKAGEID from %1 where %2 = ? order by rowid limit 1")
        .arg(caseRateTable(table), caseRateCode(table));
}

QString SqliteStatements::packageRowCount() const
{
    return QStringLiteral("select count(*) from Medicare.tbMedPackage where PackageID = ?");
}

QString SqliteStatements::packageCaseRateCount() const
{
    return QStringLiteral(
               "select (select count(*) from %1 where PACKAGEID = ?) + (select count(*) from %2 where "
               "PACKAGEID = ?)")
        .arg(caseRateTable(CaseRateTable::Medical), caseRateTable(CaseRateTable::Procedures));
}

QString SqliteStatements::moveCaseRate(CaseRateTable table) const
{
    return QStringLiteral("update %1 set PACKAGEID = ? where rowid in (select rowid from %1 where %2 = ? and "
                          "PACKAGEID = ? order by rowid limit 1)")
        .arg(caseRateTable(table), caseRateCode(table));
}

QString SqliteStatements::copyPackage() const
{
    return QStringLiteral("insert into Medicare.tbMedPackage (PackageID,%1) select ?,%1 from "
                          "Medicare.tbMedPackage where PackageID = ? order by rowid")
        .arg(QLatin1String(kCopiedPackageColumns));
}

QString SqliteStatements::activePackageAmounts() const
{
    return QStringLiteral("select PACKAGEID, Amount,MedRoomBoard,MedDrugs,MedOthers,MedOR,PF,Package from "
                          "Medicare.tbMedPackage where STATUS = 1 order by rowid");
}

QString SqliteStatements::duplicateIcdRows() const
{
    return QStringLiteral("select code, description, rn from (%1) where rn > 1 order by r")
        .arg(QLatin1String(kNumberedIcdRows));
}

// Inside the write transaction the numbering cannot change between these two statements,
// so the rows listed are the rows deleted.
QString SqliteStatements::duplicateIcdRowsToDelete() const
{
    return QStringLiteral("select t.CODE, t.Description, t.ALLOWASPRIMARY from Build_FILE.tbICDdiagMain t "
                          "where t.rowid in (select r from (%1) where rn > 1) order by t.rowid")
        .arg(QLatin1String(kNumberedIcdRows));
}

QString SqliteStatements::deleteDuplicateIcdRows() const
{
    return QStringLiteral(
               "delete from Build_FILE.tbICDdiagMain where rowid in (select r from (%1) where rn > 1)")
        .arg(QLatin1String(kNumberedIcdRows));
}

namespace {
// The start of a table's definition as SQLite keeps it: "CREATE TABLE" and the name as
// written (bare, or quoted in one of SQLite's four ways).
const QRegularExpression kCreateTableName(
    QStringLiteral(
        R"(^\s*CREATE\s+TABLE\s+("(?:[^"]|"")*"|\[[^\]]*\]|`(?:[^`]|``)*`|'(?:[^']|'')*'|[^\s(]+))"),
    QRegularExpression::CaseInsensitiveOption);
} // namespace

// The table backup in SQLite. There is no USE: every name carries its schema. SQLite cannot
// add an identity column to a table, so ID is a plain integer column numbered 1, 2, 3 ... in
// storage order (the order a heap scan returns), and a trigger numbers each row inserted
// later as the largest ID plus one, as an identity would. A copy is made from the live
// table's own definition, so its columns keep their types and collations, and indexes are
// named after their table, as SQLite wants one index name per database.

QStringList SqliteStatements::backupUseMedicare() const
{
    return {};
}

QStringList SqliteStatements::backupAddIdColumn(const QString& table) const
{
    return {
        QStringLiteral("alter table Medicare.%1 add column ID integer").arg(table),
        QStringLiteral("update Medicare.%1 set ID = n.n from (select rowid as r, row_number() over (order by "
                       "rowid) as n from Medicare.%1) as n where n.r = %1.rowid")
            .arg(table),
        QStringLiteral("create trigger Medicare.%1_ID after insert on %1 when new.ID is null begin update %1 "
                       "set ID = (select ifnull(max(ID), 0) + 1 from %1) where rowid = new.rowid; end")
            .arg(table),
    };
}

QString SqliteStatements::backupTableDefinition() const
{
    return QStringLiteral(
        "select sql from Medicare.sqlite_master where type = 'table' and name = ? collate nocase");
}

QStringList SqliteStatements::backupCopyTable(const QString& table, const QString& copy,
                                              const QString& definition) const
{
    const QRegularExpressionMatch name = kCreateTableName.match(definition);
    const QString create =
        name.hasMatch()
            ? QStringLiteral("CREATE TABLE Medicare.%1").arg(copy) + definition.mid(name.capturedEnd())
            // A definition of another shape: the columns without their declarations.
            : QStringLiteral("create table Medicare.%1 as select * from Medicare.%2 where 0")
                  .arg(copy, table);
    return {
        create,
        QStringLiteral("insert into Medicare.%1 select * from Medicare.%2 order by rowid").arg(copy, table)};
}

QString SqliteStatements::backupCreateIndex(const QString& table, const QString& index,
                                            const QString& column) const
{
    return QStringLiteral("create index Medicare.%1_%2 on %1 (%3 asc)").arg(table, index, column);
}

QString SqliteStatements::backupRowCount(const QString& table) const
{
    return QStringLiteral("select count(*) from Medicare.%1").arg(table);
}

QString SqliteStatements::largestPackageIdIn(const QString& table) const
{
    return QStringLiteral(
               "select max(cast(PackageID as integer)), "
               "(select PackageID from Medicare.%1 where PackageID is not null and "
               "(trim(PackageID) = '' or trim(PackageID) glob '*[^0-9]*') limit 1) from Medicare.%1")
        .arg(table);
}

QString SqliteStatements::largestNewStylePackageId() const
{
    return QStringLiteral("select max(cast(PackageID as integer)) from Medicare.tbMedPackage_NEW");
}

QString SqliteStatements::lastApplyOrUndo() const
{
    return QStringLiteral(
        "select max(LogTime) from Build_FILE.tbActivityLog where LogText like ? or LogText like ?");
}

QString SqliteStatements::activityLogLinesLike() const
{
    return QStringLiteral("select count(*) from Build_FILE.tbActivityLog where LogText like ?");
}

QString SqliteStatements::lastBackup() const
{
    return QStringLiteral(
        "select max(LogTime) from Build_FILE.tbActivityLog where LogText like ? and LogText not like ?");
}

} // namespace orvex::db
