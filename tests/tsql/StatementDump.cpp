// Prints every T-SQL statement the tool can send to SQL Server, one a line as
// "name<TAB>text", for the grammar check (tsql/grammar/check_statements.mjs): every
// definition of db/Queries.h, with the shapes of its lists, and the set statements of the
// apply, the undo and the activity log in both of their forms.
#include "Error.h"
#include "apply/OnlineUpdateJob.h"
#include "change/TableRef.h"
#include "db/ActivityLog.h"
#include "db/Dialect.h"
#include "db/Queries.h"
#include "db/RowSets.h"

#include <QTextStream>

using namespace orvex;
using db::Product;

namespace {

QTextStream out(stdout);

void print(const QString& name, const QString& sql)
{
    out << name << '\t' << QString(sql).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
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

void printRendered(const QString& name, const db::Query& query, const db::Dialect& dialect)
{
    std::vector<db::RenderedStatement> statements;
    try {
        statements = query.render(dialect);
    } catch (const Error&) {
        return; // a key list is never empty
    }
    for (size_t i = 0; i < statements.size(); ++i)
        print(statements.size() == 1 ? name : QStringLiteral("%1[%2]").arg(name).arg(i), statements[i].sql);
}

// Every definition of db/Queries.h as SQL Server gets it, each value bound (the check
// reads every "?" as a literal), each name of the tool's own a sample name, and each list
// in three lengths: empty where it may be, one entry, three.
void printQueries()
{
    for (const db::QueryText* text : db::QueryText::all()) {
        const QStringList& lists = text->lists();
        for (const int length : lists.isEmpty() ? QList<int>{-1} : QList<int>{0, 1, 3}) {
            db::Query query(*text);
            for (const QString& name : text->values())
                query.bind(name, 1);
            for (const QString& name : text->identifiers())
                query.bindName(name, QStringLiteral("x_") + name);
            QStringList entries;
            for (int i = 0; i < length; ++i)
                entries << QStringLiteral("v%1").arg(i);
            for (const QString& name : lists)
                query.bindList(name, entries);
            const QString name =
                length < 0 ? text->name() : QStringLiteral("%1(%2)").arg(text->name()).arg(length);
            printRendered(name, query, db::Dialect::of(Product::SqlServer));
            // A JSON key list also goes through OPENJSON, to a server that reads JSON.
            if (query.hasJsonKeys(Product::SqlServer))
                printRendered(name + QStringLiteral(" (OPENJSON)"), query,
                              db::Dialect::of(Product::SqlServer, true));
        }
    }
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
    printSet("online update new codes", apply::onlineAddsStatement(p), 3);
    printSet("online update descriptions", apply::onlineDescriptionsStatement(p), 2);
}

} // namespace

int main()
{
    printQueries();
    printSets();
    out.flush();
    return 0;
}
