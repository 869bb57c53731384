#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace orvex::db {

enum class Product;

// A read of the columns the tool relies on in one table; it fails when the table, a
// column or the table's collation is missing. Run once when a connection opens.
// The two case-rate tables a package can be split off from.
enum class CaseRateTable {
    Medical,
    Procedures
}; // tbMed_MedicalCaseRates by ICDCode, tbMed_Procedures by RVSCode

struct TableProbe
{
    QString database; // "Build_FILE" or "Medicare"
    QString table;
    QString columns; // for the message: "CODE, Description"
    QString sql;     // no parameters
};

// Every statement the program executes, one implementation per database product.
// Values are always bound as parameters ("?"), never joined into the text.
class Statements
{
public:
    virtual ~Statements() = default;
    static const Statements& forProduct(Product product);

    // Scan lookups, one key each. Columns as named; first row wins.
    virtual QString icdByCode() const = 0;        // CODE, Description
    virtual QString icdByDescription() const = 0; // CODE, Description
    virtual QString caseRateByCode() const = 0;   // ICDCode, Description, CaseType, PackageID
    virtual QString packageByName() const = 0;    // PackageID, Package, Amount, PF, MedRoomBoard, ...

    // The same lookups for `keyCount` keys at once. The result has the key as sent in
    // column 0, then the columns of the single-key form, in the table's storage order,
    // so the first row of a key is the row the single-key form returns first.
    virtual QString icdByCodeBatch(int keyCount) const = 0;
    virtual QString icdByDescriptionBatch(int keyCount) const = 0;
    virtual QString caseRateByCodeBatch(int keyCount) const = 0;
    virtual QString packageByNameBatch(int keyCount) const = 0;

    // The update run's lookups, one key each; `procedures` picks tbMed_Procedures
    // (RVSCODE) over tbMed_MedicalCaseRates (ICDCode). Columns: CODE, Description, PackageID.
    virtual QString rateCaseRateByCode(bool procedures) const = 0;
    virtual QString ratePackageById() const = 0;    // PackageID, Amount, PF, MedRoomBoard
    virtual QString rateNewStyleByCode() const = 0; // Code
    // The same for `keyCount` keys, the key as sent in column 0 (see the scan's batches).
    // With rateKeysAsJsonArray() they take all their keys in one "?", as a JSON array of
    // texts, however many there are; otherwise one "?" per key.
    virtual QString rateCaseRateByCodeBatch(bool procedures, int keyCount) const = 0;
    virtual QString ratePackageByIdBatch(int keyCount) const = 0;
    virtual QString rateNewStyleByCodeBatch(int keyCount) const = 0;
    virtual bool rateKeysAsJsonArray() const { return false; }

    // The tables a connection checks when it opens.
    virtual QList<TableProbe> tableProbes() const = 0;

    // The activity log, table tbActivityLog in Build_FILE: the tool's own table.
    virtual QString activityLogExists() const = 0; // one row, one column: 0 or 1
    virtual QString createActivityLog() const = 0; // does nothing when the table exists
    virtual QString insertActivityLog() const = 0; // ? = LogTime, UserID, Workstation, LogText
    virtual QString
    lastActivityLog() const = 0; // ? = row count; LogTime, UserID, Workstation, LogText, oldest first

    // ---- Statements that change data ------------------------------------------------
    // Tools that write run these inside a db::Transaction and log what they did. New
    // ones go below, one declaration here and one text in each product's file.

    // Transaction control, used by db::Transaction only. SQL Server begins, commits and
    // rolls back through the driver (transactionsThroughDriver); SQLite sends the texts.
    // A write transaction sends takeWriteLock right after it began.
    virtual bool transactionsThroughDriver() const = 0;
    virtual QString beginTransaction() const = 0;
    virtual QString commitTransaction() const = 0;
    virtual QString rollbackTransaction() const = 0;
    virtual QStringList takeWriteLock() const = 0;

    // The online update. On the central server: its update table, read whole, columns used
    // by position. On the hospital server (lookups through icdByCodeBatch): a new code, and
    // the description of the first row of a code.
    virtual QString centralUpdateRows() const = 0;
    virtual QString insertIcd() const = 0;                 // ? = CODE, Description, ALLOWASPRIMARY
    virtual QString updateFirstIcdDescription() const = 0; // ? = Description, code

    // The table browser over one of the ICD tables of Build_FILE (`table` is one of the
    // fixed names, never user text). Rows "code, Description" in code order, `descriptionWords`
    // < 0: every row, ? = offset, count; else rows whose code is like the first ? or whose
    // description is like each of the next `descriptionWords` ?, then ? = offset, count.
    // LIKE patterns escape with "!".
    virtual QString browsePage(const QString& table, int descriptionWords) const = 0;
    virtual QString browseInsert(const QString& table) const = 0; // ? = code, Description
    // The first row with the old code and description; ? = new code, new Description, old
    // code, old Description, old Description again (NULL matches NULL).
    virtual QString browseUpdate(const QString& table) const = 0;

    // The code search: every CODE, Description of tbICDdiagMain.
    virtual QString icdSearchRows() const = 0;

    // Package cloning, inside a write transaction. One row: the largest PackageID as a
    // number (NULL when there is none), then a PackageID that is not a whole number (NULL
    // when every one is); reading it reserves the maximum against other sessions.
    virtual QString largestPackageId() const = 0;
    virtual QString caseRatePackage(CaseRateTable table) const = 0; // ? = code; PackageID of the first row
    virtual QString packageRowCount() const = 0;                    // ? = PackageID; one row, one column
    // ? = PackageID twice: how many case rates of both tables use the package; one row, one column.
    virtual QString packageCaseRateCount() const = 0;
    // ? = new PackageID, code, old PackageID: moves one case rate of that code and package.
    virtual QString moveCaseRate(CaseRateTable table) const = 0;
    virtual QString copyPackage() const = 0; // ? = new PackageID, old PackageID

    // PACKAGEID, Amount, MedRoomBoard, MedDrugs, MedOthers, MedOR, PF, Package of every active package.
    virtual QString activePackageAmounts() const = 0;

    // Surplus rows of tbICDdiagMain, the rows of a code after its first: code, description, row number.
    virtual QString duplicateIcdRows() const = 0;
    // The surplus rows exactly as the delete below removes them: code, description,
    // allow-as-primary. Empty where the delete itself returns the rows it removed.
    virtual QString duplicateIcdRowsToDelete() const = 0;
    // Deletes the surplus rows; where duplicateIcdRowsToDelete() is empty, returns each row
    // deleted (code, description, allow-as-primary).
    virtual QString deleteDuplicateIcdRows() const = 0;

    // Applying a run, inside a write transaction: the largest PackageID of `table` (tbMedPackage
    // or a copy, its suffix checked to hold letters, digits and underscores only), as
    // largestPackageId(); tbMedPackage_NEW's largest PackageID as a number (NULL when none).
    // The changes themselves go as set statements (db/RowSets.h).
    virtual QString largestPackageIdIn(const QString& table) const = 0;
    virtual QString largestNewStylePackageId() const = 0;
    // ? = "Apply of %", "Undo of %": one row, one column, the time of the last apply or
    // undo the activity log holds (NULL when none). Needs the log table.
    virtual QString lastApplyOrUndo() const = 0;
    // ? = a LIKE pattern: one row, one column, how many activity-log lines match it. Needs
    // the log table.
    virtual QString activityLogLinesLike() const = 0;
    // ? = "Table backup with suffix %", "%: no copy made%": the time of the last backup
    // that made a copy (NULL when none). Needs the log table.
    virtual QString lastBackup() const = 0;

    // Table backup: copies of Medicare tables named table + suffix, and their indexes.
    // `table`, `copy`, `index` and `column` are fixed names, or a fixed name plus a suffix
    // already checked to hold letters, digits and underscores only. Each list is sent with
    // Connection::execDirect, one statement on its own, several in one transaction.
    virtual QStringList backupUseMedicare() const = 0;                     // empty where not needed
    virtual QStringList backupAddIdColumn(const QString& table) const = 0; // ID numbered 1, 2, 3 ...
    // ? = table: one row, the table's definition where a copy needs it; empty where the
    // copy statement takes the columns itself.
    virtual QString backupTableDefinition() const = 0;
    virtual QStringList backupCopyTable(const QString& table, const QString& copy,
                                        const QString& definition) const = 0;
    virtual QString backupCreateIndex(const QString& table, const QString& index,
                                      const QString& column) const = 0;
    virtual QString backupRowCount(const QString& table) const = 0; // one row, one column
};

} // namespace orvex::db
