#pragma once

// Every statement the tool sends, one definition each (the parts a text may hold: db/Query.h).
// A new statement is one definition here and its caller; the grammar check of the T-SQL
// texts (tests/tsql) reads them all from QueryText::all().
#include "db/Query.h"

namespace orvex::db::queries {

using Both = QueryText::Both;
using PerProduct = QueryText::PerProduct;

// ---- Scan lookups: one key each, columns as named, the first row wins -------------------
// The key column stands on the left of "=" so that its collation decides the match (CI_AS
// in the embedded files) and its index serves the lookup. Both lookup forms sort by every
// column the scan reads, so that they return the same first row by construction.

inline const QueryText icdByCode{
    "icdByCode", Both{{"select CODE, Description from {Build_FILE.tbICDdiagMain} where CODE = :code"
                       "{order: CODE*, Description*}"}}};
inline const QueryText icdByDescription{
    "icdByDescription", Both{{"select CODE, Description from {Build_FILE.tbICDdiagMain} where Description = "
                              ":description{order: CODE*, Description*}"}}};
inline const QueryText caseRateByCode{
    "caseRateByCode",
    Both{{"select ICDCode, Description, CaseType, PackageID from {Medicare.tbMed_MedicalCaseRates} where "
          "ICDCode = :code{order: ICDCode*, Description*, CaseType, PackageID}"}}};
inline const QueryText packageByName{
    "packageByName", Both{{"select PackageID, Package, Amount, PF, MedRoomBoard from {Medicare.tbMedPackage} "
                           "where Package = :name{order: Package*, PackageID, Amount, PF, MedRoomBoard}"}}};

// The same lookups for many keys at once: the key's place in the list sent in column 0, then
// the columns of the single-key form in its order, so the first row of a key is the one it
// returns first.
// The keys go as one JSON array where the product reads one, else a parameter each.
inline const QueryText icdByCodeBatch{
    "icdByCodeBatch", Both{{"select k.i, t.CODE, t.Description from {jsonkeys :codes} {join} "
                            "{Build_FILE.tbICDdiagMain} t on t.CODE = k.v{order t: CODE*, Description*}"}}};
// Only whether each code is known (the PH scan asks no more of the diagnosis table).
inline const QueryText icdCodeKnownBatch{
    "icdCodeKnownBatch",
    Both{{"select k.i from {jsonkeys :codes} {join} {Build_FILE.tbICDdiagMain} t on t.CODE = k.v"}}};
inline const QueryText icdByDescriptionBatch{"icdByDescriptionBatch",
                                             Both{{"select k.i, t.CODE, t.Description from {jsonkeys "
                                                   ":descriptions} {join} {Build_FILE.tbICDdiagMain} t "
                                                   "on t.Description = k.v{order t: CODE*, Description*}"}}};
inline const QueryText caseRateByCodeBatch{
    "caseRateByCodeBatch",
    Both{{"select k.i, t.ICDCode, t.Description, t.CaseType, t.PackageID from {jsonkeys :codes} {join} "
          "{Medicare.tbMed_MedicalCaseRates} t on t.ICDCode = k.v"
          "{order t: ICDCode*, Description*, CaseType, PackageID}"}}};
inline const QueryText packageByNameBatch{
    "packageByNameBatch",
    Both{{"select k.i, t.PackageID, t.Package, t.Amount, t.PF, t.MedRoomBoard from {jsonkeys :names} {join} "
          "{Medicare.tbMedPackage} t on t.Package = k.v{order t: Package*, PackageID, Amount, PF, "
          "MedRoomBoard}"}}};

// ---- The update run's lookups ------------------------------------------------------------
// $table and $key: tbMed_MedicalCaseRates by ICDCode or tbMed_Procedures by RVSCODE.
// Columns CODE, Description, PackageID; then PackageID, Amount, PF, MedRoomBoard; then Code.
inline const QueryText rateCaseRateByCode{
    "rateCaseRateByCode",
    Both{{"select $key AS CODE, Description, PackageID from {Medicare.$table} where $key = :code{order}"}}};
inline const QueryText ratePackageById{"ratePackageById",
                                       Both{{"select PackageID, Amount, PF, MedRoomBoard from "
                                             "{Medicare.tbMedPackage} where PackageID = :id{order}"}}};
inline const QueryText rateNewStyleByCode{
    "rateNewStyleByCode", Both{{"select Code from {Medicare.tbMedPackage_NEW} where CODE = :code{order}"}}};
// The same for many keys, the key as sent in column 0.
inline const QueryText rateCaseRateByCodeBatch{
    "rateCaseRateByCodeBatch",
    Both{{"select k.v, t.$key AS CODE, t.Description, t.PackageID from {jsonkeys :codes} "
          "{join} {Medicare.$table} t on t.$key = k.v{order t}"}}};
inline const QueryText ratePackageByIdBatch{
    "ratePackageByIdBatch",
    Both{{"select k.v, t.PackageID, t.Amount, t.PF, t.MedRoomBoard from {jsonkeys :ids} "
          "{join} {Medicare.tbMedPackage} t on t.PackageID = k.v{order t}"}}};
inline const QueryText rateNewStyleByCodeBatch{
    "rateNewStyleByCodeBatch",
    Both{{"select k.v, t.Code from {jsonkeys :codes} {join} {Medicare.tbMedPackage_NEW} t "
          "on t.Code = k.v{order t}"}}};

// ---- The tables a connection checks when it opens (no values) ----------------------------
// On SQLite the comparisons make each key column resolve its collation now, so that a file
// needing CI_AS where it is not registered fails here, not in the middle of a scan.
inline const QueryText probeIcd{
    "probeIcd", PerProduct{{"select top (0) CODE, Description from {Build_FILE.tbICDdiagMain}"},
                           {"select CODE, Description from {Build_FILE.tbICDdiagMain} "
                            "where CODE = '' and Description = '' limit 0"}}};
inline const QueryText probeCaseRates{
    "probeCaseRates",
    PerProduct{
        {"select top (0) ICDCode, Description, CaseType, PackageID from {Medicare.tbMed_MedicalCaseRates}"},
        {"select ICDCode, Description, CaseType, PackageID from {Medicare.tbMed_MedicalCaseRates} "
         "where ICDCode = '' limit 0"}}};
inline const QueryText probePackages{
    "probePackages",
    PerProduct{{"select top (0) PackageID, Package, Amount, PF, MedRoomBoard from {Medicare.tbMedPackage}"},
               {"select PackageID, Package, Amount, PF, MedRoomBoard from {Medicare.tbMedPackage} "
                "where Package = '' limit 0"}}};

// Whether SQL Server reads JSON here: the lowest compatibility level of both databases, and
// how many of them there are.
inline const QueryText serverCompatibility{
    "serverCompatibility", PerProduct{{"select min(compatibility_level), count(*) from sys.databases "
                                       "where name in ('Build_FILE', 'Medicare')"},
                                      {}}};

// ---- The activity log: tbActivityLog in Build_FILE, the tool's own table ----------------
inline const QueryText activityLogExists{
    "activityLogExists", // one row, one column: 0 or 1
    PerProduct{
        {"select case when object_id(N'Build_FILE.dbo.tbActivityLog', N'U') is null then 0 else 1 end"},
        {"select count(*) from Build_FILE.sqlite_master "
         "where type = 'table' and name = 'tbActivityLog' collate nocase"}}};
// Does nothing when the table exists. No CI_AS on SQLite: the log stays readable over ODBC.
inline const QueryText createActivityLog{
    "createActivityLog",
    PerProduct{
        {"if object_id(N'Build_FILE.dbo.tbActivityLog', N'U') is null "
         "create table {Build_FILE.tbActivityLog} (LogID bigint identity(1,1) not null primary key, "
         "LogTime datetime2(0) not null, UserID nvarchar(128) null, Workstation nvarchar(128) null, "
         "LogText nvarchar(max) null)"},
        {"create table if not exists {Build_FILE.tbActivityLog} (LogID integer primary key autoincrement, "
         "LogTime text not null, UserID text, Workstation text, LogText text)"}}};
inline const QueryText insertActivityLog{
    "insertActivityLog",
    Both{{"insert into {Build_FILE.tbActivityLog} (LogTime, UserID, Workstation, LogText) "
          "values (:time, :user, :workstation, :text)"}}};
// The last :count lines, oldest first.
inline const QueryText lastActivityLog{
    "lastActivityLog",
    PerProduct{
        {"select LogTime, UserID, Workstation, LogText from (select top (:count) LogID, LogTime, UserID, "
         "Workstation, LogText from {Build_FILE.tbActivityLog} order by LogID desc) as lastRows "
         "order by LogID"},
        {"select LogTime, UserID, Workstation, LogText from (select LogID, LogTime, UserID, Workstation, "
         "LogText from {Build_FILE.tbActivityLog} order by LogID desc limit :count) order by LogID"}}};
// The time of the last line like :first or :second (NULL when none).
inline const QueryText lastApplyOrUndo{"lastApplyOrUndo",
                                       Both{{"select max(LogTime) from {Build_FILE.tbActivityLog} where "
                                             "LogText like :first or LogText like :second"}}};
// The time of the last line like :made and not like :notMade (NULL when none).
inline const QueryText lastBackup{"lastBackup",
                                  Both{{"select max(LogTime) from {Build_FILE.tbActivityLog} "
                                        "where LogText like :made and LogText not like :notMade"}}};
inline const QueryText activityLogLinesLike{
    "activityLogLinesLike",
    Both{{"select count(*) from {Build_FILE.tbActivityLog} where LogText like :pattern"}}};

// ---- Transactions, used by db::Transaction only ------------------------------------------
// SQL Server's go through the driver (Dialect::transactionsThroughDriver).
inline const QueryText beginTransaction{"beginTransaction", PerProduct{{}, {"begin"}}};
inline const QueryText commitTransaction{"commitTransaction", PerProduct{{}, {"commit"}}};
inline const QueryText rollbackTransaction{"rollbackTransaction", PerProduct{{}, {"rollback"}}};
// Sent right after a write transaction began. SQL Server: held until the transaction ends,
// waiting at most 30 s for another Orvex writer; the procedure reports a timeout only by
// its return value, so that becomes an error. SQLite: a write that changes nothing takes
// each attached file's write lock ("begin immediate" would lock the connection's main
// file, which behind ODBC may be one of the two files attached again, and wait for itself).
inline const QueryText takeWriteLock{
    "takeWriteLock",
    PerProduct{
        {"declare @granted int; exec @granted = sp_getapplock @Resource = N'orvex-write', "
         "@LockMode = N'Exclusive', @LockOwner = N'Transaction', @LockTimeout = 30000; "
         "if @granted < 0 raiserror(N'Another Orvex tool is writing to the database; try again when "
         "it has finished.', 16, 1)"},
        {"delete from Build_FILE.tbICDdiagMain where 0", "delete from Medicare.tbMedPackage where 0"}}};

// ---- The online update -------------------------------------------------------------------
// The central server's update table, read whole, columns used by position; a central SQLite
// file holds it in its main database.
inline const QueryText centralUpdateRows{
    "centralUpdateRows",
    PerProduct{{"select * from {Build_FILE.tbICDdiagMainUpdate}"}, {"select * from tbICDdiagMainUpdate"}}};
inline const QueryText insertIcd{
    "insertIcd", Both{{"insert into {Build_FILE.tbICDdiagMain} (CODE, Description, ALLOWASPRIMARY) "
                       "values (:code, :description, :allowAsPrimary)"}}};
// Every row of the code: the online update changes a code's rows alike, so that its undo
// puts them back alike.
inline const QueryText updateIcdDescription{
    "updateIcdDescription",
    Both{{"update {Build_FILE.tbICDdiagMain} set Description = :description where CODE = :code"}}};

// ---- The table browser over one ICD table of Build_FILE ($table, a fixed name) -----------
// Rows "code, Description" in code order, from :offset, :count of them; browseFind only the
// rows whose code is like :code or whose description is like each of :words ("!" escapes).
inline const QueryText browseAll{
    "browseAll", PerProduct{{"select code, Description from {Build_FILE.$table} order by code, Description "
                             "offset :offset rows fetch next :count rows only"},
                            {"select code, Description from {Build_FILE.$table} order by code, Description, "
                             "rowid limit :offset, :count"}}};
inline const QueryText browseFind{
    "browseFind",
    PerProduct{{"select code, Description from {Build_FILE.$table} where (code like :code escape '!'"
                "{orAllLike :words Description}) order by code, Description offset :offset rows fetch next "
                ":count rows only"},
               {"select code, Description from {Build_FILE.$table} where (code like :code escape '!'"
                "{orAllLike :words Description}) order by code, Description, rowid limit :offset, :count"}}};
// How many rows browseAll and browseFind list.
inline const QueryText browseCountAll{"browseCountAll", Both{{"select count(*) from {Build_FILE.$table}"}}};
inline const QueryText browseCountFind{
    "browseCountFind", Both{{"select count(*) from {Build_FILE.$table} where (code like :code escape '!'"
                             "{orAllLike :words Description})"}}};
inline const QueryText browseInsert{
    "browseInsert",
    Both{{"insert into {Build_FILE.$table} (code, Description) values (:code, :description)"}}};
// Every row of one code, as the column's collation compares it.
inline const QueryText browseByCode{
    "browseByCode", Both{{"select code, Description from {Build_FILE.$table} where code = :code"
                          "{order: code*, Description*}"}}};
// The first row with the old code and description (NULL matches NULL).
inline const QueryText browseUpdate{
    "browseUpdate",
    PerProduct{
        {"update firstRow set code = :code, Description = :description from (select top (1) * from "
         "{Build_FILE.$table} where code = :oldCode and (Description = :oldDescription or "
         "(Description is null and :oldDescription is null))) as firstRow"},
        {"update Build_FILE.$table set code = :code, Description = :description where rowid = "
         "(select rowid from Build_FILE.$table where code = :oldCode and (Description = :oldDescription "
         "or (Description is null and :oldDescription is null)) order by rowid limit 1)"}}};

// The code search: every CODE, Description of tbICDdiagMain.
inline const QueryText icdSearchRows{
    "icdSearchRows", Both{{"select CODE, Description from {Build_FILE.tbICDdiagMain}{order}"}}};

// ---- Package cloning, inside a write transaction -----------------------------------------
// One row: the largest PackageID of $table (tbMedPackage or a copy) as a number (NULL when
// none), then a PackageID that is no whole number (NULL when every one is). On SQL Server
// UPDLOCK, HOLDLOCK make a second workstation taking a new identifier wait until this
// transaction ends; on SQLite the write transaction keeps other writers out.
inline const QueryText largestPackageId{
    "largestPackageId",
    PerProduct{
        {"select max(try_convert(bigint, PackageID)) as MAXP, (select top (1) PackageID from "
         "{Medicare.$table} where PackageID is not null and try_convert(bigint, PackageID) is null) "
         "from {Medicare.$table} with (updlock, holdlock)"},
        {"select max(cast(PackageID as integer)), (select PackageID from {Medicare.$table} where "
         "PackageID is not null and (trim(PackageID) = '' or trim(PackageID) glob '*[^0-9]*') limit 1) "
         "from {Medicare.$table}"}}};
// tbMedPackage_NEW's largest PackageID as a number (NULL when none).
inline const QueryText largestNewStylePackageId{
    "largestNewStylePackageId",
    PerProduct{{"select max(try_convert(bigint, PackageID)) from {Medicare.tbMedPackage_NEW} with (updlock, "
                "holdlock)"},
               {"select max(cast(PackageID as integer)) from {Medicare.tbMedPackage_NEW}"}}};
// $table and $key as for rateCaseRateByCode: the PackageID of the first row of :code.
inline const QueryText caseRatePackage{
    "caseRatePackage",
    PerProduct{
        {"select top (1) PACKAGEID from {Medicare.$table} with (updlock, holdlock) where $key = :code"},
        {"select PACKAGEID from {Medicare.$table} where $key = :code order by rowid limit 1"}}};
inline const QueryText packageRowCount{
    "packageRowCount", Both{{"select count(*) from {Medicare.tbMedPackage} where PackageID = :id"}}};
// How many case rates of both tables use the package.
inline const QueryText packageCaseRateCount{
    "packageCaseRateCount",
    Both{{"select (select count(*) from {Medicare.tbMed_MedicalCaseRates} where PACKAGEID = :id) + "
          "(select count(*) from {Medicare.tbMed_Procedures} where PACKAGEID = :id)"}}};
// Moves one case rate of :code and :oldId to :newId. The rows it may pick from share code
// and package: whichever it takes, the split is the same.
inline const QueryText moveCaseRate{
    "moveCaseRate",
    PerProduct{
        {"update top (1) {Medicare.$table} set PACKAGEID = :newId where $key = :code and PACKAGEID = :oldId"},
        {"update Medicare.$table set PACKAGEID = :newId where rowid in (select rowid from Medicare.$table "
         "where $key = :code and PACKAGEID = :oldId order by rowid limit 1)"}}};
inline const QueryText copyPackage{
    "copyPackage",
    Both{{"insert into {Medicare.tbMedPackage} (PackageID, Package, Shortcut, Amount, PF, IsAllowSlashing, "
          "Status, MedRoomBoard, MedDrugs, MedOthers, MedOR, Type, isZBenefit, isAllowSecondCR, "
          "HCIPercentage, "
          "PFPercentage, CaseRatePercentage, isACR, canMultiple, CaseType) select :newId, Package, Shortcut, "
          "Amount, PF, IsAllowSlashing, Status, MedRoomBoard, MedDrugs, MedOthers, MedOR, Type, isZBenefit, "
          "isAllowSecondCR, HCIPercentage, PFPercentage, CaseRatePercentage, isACR, canMultiple, CaseType "
          "from "
          "{Medicare.tbMedPackage} where PackageID = :oldId{order}"}}};

// PACKAGEID, Amount, MedRoomBoard, MedDrugs, MedOthers, MedOR, PF, Package of every active package.
inline const QueryText activePackageAmounts{
    "activePackageAmounts",
    Both{{"select PACKAGEID, Amount, MedRoomBoard, MedDrugs, MedOthers, MedOR, PF, Package "
          "from {Medicare.tbMedPackage} where STATUS = 1{order}"}}};

// ---- Duplicate codes of tbICDdiagMain ----------------------------------------------------
// The surplus rows, the rows of a code after its first: code, description, row number.
// On SQLite the rows are numbered within their code (as the column's collation compares) in
// storage order: number 1 is the row that stays. SQL Server numbers them by description, so
// that the row a delete keeps is the one the question named (the table has no key).
inline const QueryText duplicateIcdRows{
    "duplicateIcdRows",
    PerProduct{
        {"with CTE as (select code, description, RN = row_number() over (partition by code order by "
         "description) from {Build_FILE.tbICDdiagMain}) select * from CTE where RN > 1"},
        {"select code, description, rn from (select rowid as r, CODE as code, Description as description, "
         "row_number() over (partition by CODE order by rowid) as rn from Build_FILE.tbICDdiagMain) "
         "where rn > 1 order by r"}}};
// Every row of a code on more than one row, numbered as above: code, description, row
// number, by code and number.
inline const QueryText duplicateIcdCodeRows{
    "duplicateIcdCodeRows",
    PerProduct{
        {"with CTE as (select code, description, RN = row_number() over (partition by code order by "
         "description), N = count(*) over (partition by code) from {Build_FILE.tbICDdiagMain}) "
         "select code, description, RN from CTE where N > 1 order by code, RN"},
        {"select code, description, rn from (select CODE as code, Description as description, "
         "row_number() over (partition by CODE order by rowid) as rn, count(*) over (partition by CODE) "
         "as n from Build_FILE.tbICDdiagMain) where n > 1 order by code, rn"}}};
// The surplus rows exactly as the delete removes them: code, description, allow-as-primary.
// SQL Server has none: which row of a code it numbers first is its choice, and its delete
// reports the rows it removed. On SQLite the write transaction keeps the numbering as it is
// between the two statements.
inline const QueryText duplicateIcdRowsToDelete{
    "duplicateIcdRowsToDelete",
    PerProduct{
        {},
        {"select t.CODE, t.Description, t.ALLOWASPRIMARY from Build_FILE.tbICDdiagMain t where t.rowid in "
         "(select r from (select rowid as r, row_number() over (partition by CODE order by rowid) as rn "
         "from Build_FILE.tbICDdiagMain) where rn > 1) order by t.rowid"}}};
// Deletes the surplus rows; on SQL Server OUTPUT returns each row deleted (code,
// description, allow-as-primary), so the log names those and no others.
inline const QueryText deleteDuplicateIcdRows{
    "deleteDuplicateIcdRows",
    PerProduct{
        {"with CTE as (select code, description, ALLOWASPRIMARY, RN = row_number() over (partition by code "
         "order by description) from {Build_FILE.tbICDdiagMain}) delete from CTE output deleted.code, "
         "deleted.description, deleted.ALLOWASPRIMARY where RN > 1"},
        {"delete from Build_FILE.tbICDdiagMain where rowid in (select r from (select rowid as r, "
         "row_number() over (partition by CODE order by rowid) as rn from Build_FILE.tbICDdiagMain) "
         "where rn > 1)"}}};

// ---- Table backup: copies of Medicare tables ($copy = $table + a checked suffix) ---------
// Each is sent as it stands (Connection::execDirect), one statement on its own, several in
// one transaction. On SQL Server the statements are the ones the hospital has always run,
// and the index statements name the tables by [dbo] only: they rely on the USE before them.
// SQLite has no USE (every name carries its schema) and cannot add an identity column: ID
// is a plain column numbered 1, 2, 3 ... in storage order, and a trigger numbers each row
// inserted later as the largest ID plus one, as an identity would. Its indexes are named
// after their table, as SQLite wants one index name per database.
inline const QueryText backupUseMedicare{
    "backupUseMedicare", // the connection's default database first (what the driver sends), then the USE
    PerProduct{{"USE [MEDICARE]", "USE MEDICARE"}, {}}};
inline const QueryText backupAddIdColumn{
    "backupAddIdColumn",
    PerProduct{
        {"ALTER TABLE [Medicare]..[$table] ADD [ID] [bigint] IDENTITY(1,1) NOT NULL "},
        {"alter table Medicare.$table add column ID integer",
         "update Medicare.$table set ID = n.n from (select rowid as r, row_number() over (order by rowid) "
         "as n from Medicare.$table) as n where n.r = $table.rowid",
         "create trigger Medicare.$table_ID after insert on $table when new.ID is null begin update $table "
         "set ID = (select ifnull(max(ID), 0) + 1 from $table) where rowid = new.rowid; end"}}};
// SQLite: the definition of :table, from which the copy is made so that its columns keep
// their types and collations (tools/TableBackup.cpp). SQL Server's SELECT INTO takes the
// columns itself.
inline const QueryText backupTableDefinition{
    "backupTableDefinition",
    PerProduct{
        {},
        {"select sql from Medicare.sqlite_master where type = 'table' and name = :table collate nocase"}}};
// One row, one column: 1 when the copy :name is in Medicare already, else 0.
inline const QueryText backupTableExists{
    "backupTableExists",
    PerProduct{{"select count(*) from Medicare.INFORMATION_SCHEMA.TABLES where TABLE_SCHEMA = 'dbo' and "
                "TABLE_NAME = :name"},
               {"select count(*) from Medicare.sqlite_master where type = 'table' and name = :name collate "
                "nocase"}}};
inline const QueryText backupCopyRows{
    "backupCopyRows",
    PerProduct{{"SELECT * INTO MEDICARE..$copy FROM MEDICARE..$table"},
               {"insert into Medicare.$copy select * from Medicare.$table order by rowid"}}};
inline const QueryText backupCreateIndex{
    "backupCreateIndex",
    PerProduct{{" CREATE NONCLUSTERED INDEX [$index] ON [dbo].[$table] ([$column] Asc) ON [PRIMARY] "},
               {"create index Medicare.$table_$index on $table ($column asc)"}}};
inline const QueryText backupRowCount{
    "backupRowCount",
    PerProduct{{"SELECT COUNT_BIG(*) FROM MEDICARE..$table"}, {"select count(*) from Medicare.$table"}}};

} // namespace orvex::db::queries
