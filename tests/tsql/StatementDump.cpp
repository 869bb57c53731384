// Prints every T-SQL statement the tool can send to SQL Server, one a line as
// "name<TAB>text", for the grammar check (tsql/check_grammar.mjs): the statements of each
// query, with the shapes of its key lists, and the set statements of the apply, the undo and
// the activity log in both of their forms.
#include "change/TableRef.h"
#include "db/ActivityLog.h"
#include "db/RowSets.h"
#include "db/Statements.h"

#include <QTextStream>

using namespace orvex;
using db::Product;

namespace {

QTextStream out(stdout);

// An empty text is one SQL Server is not sent (its transactions go through the driver).
void print(const QString& name, const QString& sql)
{
    if (sql.isEmpty())
        return;
    out << name << '\t' << QString(sql).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
}

void print(const QString& name, const QStringList& sqls)
{
    for (qsizetype i = 0; i < sqls.size(); ++i)
        print(QStringLiteral("%1[%2]").arg(name).arg(i), sqls[i]);
}

// A set statement in the forms SQL Server gets: VALUES rows (two of them) and OPENJSON.
void printSet(const QString& name, const QString& sql, int columns)
{
    QString values = sql;
    print(name + QStringLiteral(" (VALUES)"),
          values.replace(QStringLiteral("{rows}"), db::rowSource(db::RowSetForm::ValuesRows, columns, 2)));
    QString json = sql;
    print(name + QStringLiteral(" (OPENJSON)"),
          json.replace(QStringLiteral("{rows}"), db::rowSource(db::RowSetForm::OpenJson, columns, 2)));
}

void printQueries(const db::Statements& s)
{
    using db::CaseRateTable;
    print("icdByCode", s.icdByCode());
    print("icdByDescription", s.icdByDescription());
    print("caseRateByCode", s.caseRateByCode());
    print("packageByName", s.packageByName());
    for (int keys : {1, 3}) {
        print(QStringLiteral("icdByCodeBatch(%1)").arg(keys), s.icdByCodeBatch(keys));
        print(QStringLiteral("icdByDescriptionBatch(%1)").arg(keys), s.icdByDescriptionBatch(keys));
        print(QStringLiteral("caseRateByCodeBatch(%1)").arg(keys), s.caseRateByCodeBatch(keys));
        print(QStringLiteral("packageByNameBatch(%1)").arg(keys), s.packageByNameBatch(keys));
        for (bool procedures : {false, true})
            print(QStringLiteral("rateCaseRateByCodeBatch(%1, %2)").arg(procedures).arg(keys),
                  s.rateCaseRateByCodeBatch(procedures, keys));
        print(QStringLiteral("ratePackageByIdBatch(%1)").arg(keys), s.ratePackageByIdBatch(keys));
        print(QStringLiteral("rateNewStyleByCodeBatch(%1)").arg(keys), s.rateNewStyleByCodeBatch(keys));
    }
    for (bool procedures : {false, true})
        print(QStringLiteral("rateCaseRateByCode(%1)").arg(procedures), s.rateCaseRateByCode(procedures));
    print("ratePackageById", s.ratePackageById());
    print("rateNewStyleByCode", s.rateNewStyleByCode());
    for (const db::TableProbe& probe : s.tableProbes())
        print("tableProbe " + probe.table, probe.sql);
    print("activityLogExists", s.activityLogExists());
    print("createActivityLog", s.createActivityLog());
    print("insertActivityLog", s.insertActivityLog());
    print("lastActivityLog", s.lastActivityLog());
    print("beginTransaction", s.beginTransaction());
    print("commitTransaction", s.commitTransaction());
    print("rollbackTransaction", s.rollbackTransaction());
    print("takeWriteLock", s.takeWriteLock());
    print("centralUpdateRows", s.centralUpdateRows());
    print("insertIcd", s.insertIcd());
    print("updateFirstIcdDescription", s.updateFirstIcdDescription());
    for (const char* table : {"tbICDdiagMain", "tbIcdDiagChapter", "tbIcdDiagSubChapter", "tbIcdDiag3Code"}) {
        for (int words : {-1, 0, 2})
            print(QStringLiteral("browsePage(%1, %2)").arg(table).arg(words), s.browsePage(table, words));
        print(QStringLiteral("browseInsert(%1)").arg(table), s.browseInsert(table));
        print(QStringLiteral("browseUpdate(%1)").arg(table), s.browseUpdate(table));
    }
    print("icdSearchRows", s.icdSearchRows());
    print("largestPackageId", s.largestPackageId());
    for (CaseRateTable t : {CaseRateTable::Medical, CaseRateTable::Procedures}) {
        print(QStringLiteral("caseRatePackage(%1)").arg(int(t)), s.caseRatePackage(t));
        print(QStringLiteral("moveCaseRate(%1)").arg(int(t)), s.moveCaseRate(t));
    }
    print("packageRowCount", s.packageRowCount());
    print("packageCaseRateCount", s.packageCaseRateCount());
    print("copyPackage", s.copyPackage());
    print("activePackageAmounts", s.activePackageAmounts());
    print("duplicateIcdRows", s.duplicateIcdRows());
    print("duplicateIcdRowsToDelete", s.duplicateIcdRowsToDelete());
    print("deleteDuplicateIcdRows", s.deleteDuplicateIcdRows());
    print("largestPackageIdIn", s.largestPackageIdIn("tbMedPackage_TEST"));
    print("largestNewStylePackageId", s.largestNewStylePackageId());
    print("lastApplyOrUndo", s.lastApplyOrUndo());
    print("activityLogLinesLike", s.activityLogLinesLike());
    print("lastBackup", s.lastBackup());
    print("backupUseMedicare", s.backupUseMedicare());
    print("backupAddIdColumn", s.backupAddIdColumn("tbMedPackage"));
    print("backupTableDefinition", s.backupTableDefinition());
    print("backupCopyTable", s.backupCopyTable("tbMedPackage", "tbMedPackage_TEST", "definition"));
    print("backupCreateIndex", s.backupCreateIndex("tbMedPackage_TEST", "IX_PackageID", "PackageID"));
    print("backupRowCount", s.backupRowCount("tbMedPackage_TEST"));
}

// The set statements of the apply, the undo and their checks, for every table they write.
void printSets()
{
    const Product p = Product::SqlServer;
    using change::Table;
    using change::TableRef;
    for (const TableRef& t : {TableRef{Table::IcdDiagMain, {}}, TableRef{Table::Packages, "_TEST"},
                              TableRef{Table::MedicalCaseRates, {}}, TableRef{Table::Procedures, "_TEST"},
                              TableRef{Table::NewStylePackages, {}}}) {
        const QString table = db::tableIn(p, t.database(), t.name());
        const QString name = t.name() + QLatin1Char(' ');
        printSet(name + "insert",
                 db::sets::insert(p, table, {t.keyColumn(), "Description"}, {{"Status", "1", "'1'"}}), 2);
        printSet(name + "update", db::sets::update(p, table, {"Amount", "PF"}, {t.keyColumn()}), 3);
        printSet(name + "update by identity",
                 db::sets::update(p, table, {"Description"}, {t.keyColumn(), "PackageID"}, {"PackageID"}), 3);
        printSet(name + "remove", db::sets::remove(p, table, {t.keyColumn(), "PackageID"}), 2);
        printSet(name + "select", db::sets::select(p, table, t.keyColumn(), {"Description", "PackageID"}), 1);
    }
    printSet("activity log lines", db::ActivityLog::appendAllStatement(p), 2);
}

} // namespace

int main()
{
    printQueries(db::Statements::forProduct(Product::SqlServer));
    printSets();
    out.flush();
    return 0;
}
