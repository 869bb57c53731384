#include "Error.h"
#include "change/Amount.h"
#include "change/TableRef.h"
#include "db/Connection.h"
#include "db/RowSets.h"

#include "support/SmallDatabases.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace orvex;
using db::Product;

namespace {

QStringList packages(db::Connection& c)
{
    return test::columnValues(
        c, "select PackageID || '|' || ifnull(Package,'NULL') || '|' || ifnull(Amount,'NULL') "
           "from Medicare.tbMedPackage order by rowid");
}

} // namespace

// The set statements on the embedded files: one statement for all rows, keys matched as the
// table's collation matches them, NULL identities matched to NULL only, counts exact.
TEST(RowSets, oneStatementWritesEveryRowAsTheKeyCollationMatches)
{
    test::SmallDatabases dbs;
    dbs.addPackage("1", "Alpha", 100, 0, 0);
    dbs.addPackage("1", QVariant(), 100, 0, 0);
    dbs.addPackage("2", "Beta", 200, 0, 0);
    auto c = db::Connection::open(dbs.settings());
    const QString table = db::tableIn(Product::Sqlite, "Medicare", "tbMedPackage");

    // An update told apart by the identity, NULL to NULL; "alpha " is Alpha under CI_AS.
    db::RowSet rates{3, {{"150", "1", "alpha "}, {"160", "1", QVariant()}, {"999", "3", "Gamma"}}};
    const quint64 sent = c->statementsSent();
    EXPECT_EQ(db::execForRows(
                  *c,
                  db::sets::update(Product::Sqlite, table, {"Amount"}, {"PackageID", "Package"}, {"Package"}),
                  {}, rates),
              2);
    EXPECT_EQ(c->statementsSent() - sent, 1u);
    EXPECT_EQ(packages(*c), (QStringList{"1|Alpha|150.0", "1|NULL|160.0", "2|Beta|200.0"}));

    // A read gives every row of each key, keyed as sent, in storage order.
    QStringList read;
    db::execForRows(*c, db::sets::select(Product::Sqlite, table, "PackageID", {"Package"}), {},
                    db::RowSet{1, {{"2"}, {"1"}, {"7"}}}, [&](const QSqlQuery& q) {
                        read << q.value(0).toString() + ":" + (q.isNull(1) ? "NULL" : q.value(1).toString());
                    });
    EXPECT_EQ(read, (QStringList{"1:Alpha", "1:NULL", "2:Beta"}));

    EXPECT_EQ(db::execForRows(*c,
                              db::sets::insert(Product::Sqlite, table, {"PackageID", "Package", "Amount"},
                                               {{"Status", "1", "'1'"}}),
                              {}, db::RowSet{3, {{"3", "it's", "1,800"}, {"4", QVariant(), ""}}}),
              2);
    EXPECT_EQ(db::execForRows(*c, db::sets::remove(Product::Sqlite, table, {"PackageID"}), {},
                              db::RowSet{1, {{"1"}, {"4"}}}),
              3);
    EXPECT_EQ(packages(*c), (QStringList{"2|Beta|200.0", "3|it's|1,800"}));
    EXPECT_THROW(db::execForRows(*c, db::sets::remove(Product::Sqlite, table, {"PackageID"}), {},
                                 db::RowSet{1, {{"1", "2"}}}),
                 Error);
}

// SQL Server takes at most 2,100 parameters: VALUES rows are sent in batches under 2,000,
// OPENJSON and json_each in one.
TEST(RowSets, sqlServerRowsStayUnderItsParameterLimit)
{
    EXPECT_EQ(db::rowsPerStatement(db::RowSetForm::ValuesRows, 4, 3), 499);
    EXPECT_EQ(db::rowsPerStatement(db::RowSetForm::ValuesRows, 1, 0), 2000);
    EXPECT_EQ(db::rowsPerStatement(db::RowSetForm::OpenJson, 4, 3), std::numeric_limits<int>::max());
    // SQLite behind ODBC on an attached file: under the 999 parameters of SQLite before 3.32.
    EXPECT_EQ(db::rowsPerStatement(db::RowSetForm::SqliteValues, 3, 3), 332);
    EXPECT_EQ(db::rowSource(db::RowSetForm::SqliteValues, 2, 2),
              "(select column1 as c0, column2 as c1 from (values (?,?),(?,?))) as r");
    EXPECT_EQ(db::rowSource(db::RowSetForm::ValuesRows, 2, 2), "(VALUES (?,?),(?,?)) AS r(c0, c1)");
    EXPECT_EQ(db::rowSource(db::RowSetForm::OpenJson, 2, 9),
              "OPENJSON(?) WITH (c0 nvarchar(max) '$[0]', c1 nvarchar(max) '$[1]') AS r");
    EXPECT_EQ(
        db::sets::update(Product::SqlServer, "[Medicare].[dbo].[tbMedPackage]", {"Amount"},
                         {"PackageID", "Package"}, {"Package"}),
        "UPDATE t SET Amount = r.c0 FROM [Medicare].[dbo].[tbMedPackage] AS t JOIN {rows} ON t.PackageID = "
        "r.c1 AND (t.Package = r.c2 OR (t.Package IS NULL AND r.c2 IS NULL))");
    EXPECT_EQ(db::sets::remove(Product::SqlServer, "[Medicare].[dbo].[tbMedPackage]", {"PackageID"}),
              "DELETE t FROM [Medicare].[dbo].[tbMedPackage] AS t JOIN {rows} ON t.PackageID = r.c0");
}

TEST(ChangeModel, tablesAreOnlyTheToolsOwnAndAmountsOnlyNumbersOrBlank)
{
    using change::Table;
    using change::TableRef;
    EXPECT_EQ(TableRef::fromName("tbMedPackage_TEST"), (TableRef{Table::Packages, "_TEST"}));
    EXPECT_EQ(TableRef::fromName("tbMedPackage2023"), (TableRef{Table::Packages, "2023"}));
    EXPECT_EQ(TableRef::fromName("tbMedPackage_NEW"), (TableRef{Table::NewStylePackages, ""}));
    EXPECT_EQ(TableRef::fromName("tbMed_Procedures_TEST")->keyColumn(), "RVSCODE");
    EXPECT_EQ(TableRef::fromName("tbICDdiagMain")->scriptName(), "dbo.tbICDdiagMain");
    EXPECT_EQ((TableRef{Table::MedicalCaseRates, "_TEST"}).scriptName(),
              "[Medicare].[dbo].[tbMed_MedicalCaseRates_TEST]");
    for (const char* name :
         {"tbICDdiagMain_TEST", "tbMedPackage_NEW_TEST", "tbMedPackage; DROP", "tbOther", ""})
        EXPECT_FALSE(TableRef::fromName(name)) << name;

    for (const char* text : {"11700", "11,700.50", "-0.5", "1234567", ""})
        EXPECT_TRUE(change::Amount::fromText(text)) << text;
    for (const char* text : {"abc", "1e999", "1,23", "12,3456", "1.", ".5", "--1", "1 000", "1,234,56"})
        EXPECT_FALSE(change::Amount::fromText(text)) << text;
    EXPECT_DOUBLE_EQ(change::Amount::fromText("11,700.50")->value(), 11700.5);
    EXPECT_FALSE(change::Amount::fromText("")->present());
    EXPECT_EQ(change::Amount::fromText("11,700.50")->text(), "11,700.50");
}
