#include "db/Queries.h"

#include "Error.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "support/ConnectionFixtures.h"

#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace orvex::db;

namespace {

using Rows = QList<QStringList>;

Rows rowsOf(QSqlQuery query, int firstColumn = 0)
{
    Rows rows;
    while (query.next()) {
        QStringList row;
        for (int i = firstColumn; i < query.record().count(); ++i)
            row << (query.value(i).isNull() ? QStringLiteral("<null>") : query.value(i).toString());
        rows << row;
    }
    return rows;
}

// A lookup in its single-key and its batched form, with the names they bind.
struct Lookup
{
    const char* name;
    const QueryText& single;
    const char* key;
    const QueryText& batch;
    const char* keyList;
};

const Lookup kLookups[] = {
    {"icdByCode", queries::icdByCode, "code", queries::icdByCodeBatch, "codes"},
    {"icdByDescription", queries::icdByDescription, "description", queries::icdByDescriptionBatch,
     "descriptions"},
    {"caseRateByCode", queries::caseRateByCode, "code", queries::caseRateByCodeBatch, "codes"},
    {"packageByName", queries::packageByName, "name", queries::packageByNameBatch, "names"},
};

QString sqlServerText(const Query& query)
{
    return query.renderOne(Product::SqlServer).sql;
}

// Keys in the variants the collation must see through: case, trailing blanks, accents,
// keys held by two rows, keys sent twice, keys nothing matches.
const QStringList kKeys = {
    QStringLiteral("A00.0"),
    QStringLiteral("a00.0  "),
    QStringLiteral("D50"),
    QStringLiteral("d50"),
    QStringLiteral("é01"),
    QStringLiteral("E01"),
    QStringLiteral("b99"),
    QStringLiteral("C10"),
    QStringLiteral("Iron deficiency anaemia"),
    QStringLiteral("IRON DEFICIENCY ANAEMIA "),
    QStringLiteral("école FEVER"),
    QStringLiteral("cholera"),
    QStringLiteral("Cholera  "),
    QStringLiteral("anémie"),
    QStringLiteral("ANÉMIE"),
    QStringLiteral("Anemie"),
    QStringLiteral("nothing"),
    QStringLiteral("D50"),
    QString(""),
};

} // namespace

TEST(SqlServerQueries, perLineLookupsBindTheKeyAndSortInADefinedOrder)
{
    const RenderedStatement icd = Query(queries::icdByCode).bind("code", "C10").renderOne(Product::SqlServer);
    EXPECT_EQ(icd.sql.toStdString(),
              "select CODE, Description from [Build_FILE].[dbo].[tbICDdiagMain] where CODE = ? "
              "order by CODE collate Latin1_General_BIN2, Description collate Latin1_General_BIN2");
    EXPECT_EQ(icd.params, QVariantList{"C10"});
    EXPECT_EQ(
        sqlServerText(Query(queries::caseRateByCode).bind("code", "x")).toStdString(),
        "select ICDCode, Description, CaseType, PackageID from [Medicare].[dbo].[tbMed_MedicalCaseRates] "
        "where ICDCode = ? order by ICDCode collate Latin1_General_BIN2, Description collate "
        "Latin1_General_BIN2, CaseType, PackageID");
    EXPECT_EQ(sqlServerText(Query(queries::packageByName).bind("name", "x")).toStdString(),
              "select PackageID, Package, Amount, PF, MedRoomBoard from [Medicare].[dbo].[tbMedPackage] "
              "where Package = ? order by Package collate Latin1_General_BIN2, PackageID, Amount, PF, "
              "MedRoomBoard");
}

TEST(SqlServerQueries, batchedLookupsJoinAValuesListInTheOrderOfTheSingleLookup)
{
    EXPECT_EQ(sqlServerText(Query(queries::icdByCodeBatch).bindList("codes", {"a", "b", "c"})).toStdString(),
              "select k.i, t.CODE, t.Description from (values (0,?),(1,?),(2,?)) as k(i,v) "
              "join [Build_FILE].[dbo].[tbICDdiagMain] t on t.CODE = k.v "
              "order by t.CODE collate Latin1_General_BIN2, t.Description collate Latin1_General_BIN2");
    QStringList keys;
    for (int i = 0; i < 2000; ++i)
        keys << QString::number(i);
    const RenderedStatement many =
        Query(queries::caseRateByCodeBatch).bindList("codes", keys).renderOne(Product::SqlServer);
    EXPECT_EQ(many.sql.count(QLatin1Char('?')), 2000);
    EXPECT_EQ(many.params.size(), 2000);
    // The update run's JSON key lists are VALUES rows on SQL Server too, one "?" a key.
    const RenderedStatement rates =
        Query(queries::ratePackageByIdBatch).bindList("ids", {"1", "2"}).renderOne(Product::SqlServer);
    EXPECT_EQ(rates.params, (QVariantList{"1", "2"}));
    EXPECT_FALSE(Query(queries::ratePackageByIdBatch).keysInOneParameter(Product::SqlServer));
    // Each batched statement sorts exactly as its single-key form.
    const auto orderOf = [](const QString& statement) {
        return statement.mid(statement.indexOf(QLatin1String(" order by "))).remove(QLatin1String("t."));
    };
    for (const Lookup& lookup : kLookups) {
        EXPECT_EQ(orderOf(sqlServerText(Query(lookup.batch).bindList(lookup.keyList, {"a", "b"}))),
                  orderOf(sqlServerText(Query(lookup.single).bind(lookup.key, "a"))))
            << lookup.name;
    }
}

TEST(SqlServerQueries, aServerThatReadsJsonGetsEveryKeyListInOneOpenJsonParameter)
{
    const Dialect& json = Dialect::of(Product::SqlServer, true);
    const RenderedStatement codes =
        Query(queries::icdByCodeBatch).bindList("codes", {"A00.0", "a\"b"}).renderOne(json);
    EXPECT_EQ(codes.sql.toStdString(),
              "select k.i, t.CODE, t.Description from (select cast([key] as int) as i, cast(value as "
              "nvarchar(4000)) as v from OPENJSON(?)) as k "
              "join [Build_FILE].[dbo].[tbICDdiagMain] t on t.CODE = k.v "
              "order by t.CODE collate Latin1_General_BIN2, t.Description collate Latin1_General_BIN2");
    EXPECT_EQ(codes.params, (QVariantList{QStringLiteral("[\"A00.0\",\"a\\\"b\"]")}));
    for (const Lookup& lookup : kLookups) {
        const Query batch = Query(lookup.batch).bindList(lookup.keyList, {"a"});
        EXPECT_TRUE(batch.keysInOneParameter(json)) << lookup.name;
        EXPECT_FALSE(batch.keysInOneParameter(Product::SqlServer)) << lookup.name;
        EXPECT_TRUE(batch.keysInOneParameter(Product::Sqlite)) << lookup.name;
    }
    // SQLite without JSON keys (an ODBC data source's file attached again) gets a parameter a key.
    const RenderedStatement plain = Query(queries::icdByCodeBatch)
                                        .bindList("codes", {"a", "b"})
                                        .renderOne(Dialect::of(Product::Sqlite, false));
    EXPECT_EQ(plain.params, (QVariantList{"a", "b"}));
    EXPECT_TRUE(plain.sql.contains(QLatin1String("(values (0,?),(1,?))"))) << plain.sql.toStdString();
    EXPECT_FALSE(Query(queries::icdByCodeBatch)
                     .bindList("codes", {"a"})
                     .keysInOneParameter(Dialect::of(Product::Sqlite, false)));
    // A statement without a key list reads the same in both.
    EXPECT_EQ(Query(queries::icdByCode).bind("code", "x").renderOne(json).sql,
              sqlServerText(Query(queries::icdByCode).bind("code", "x")));
}

TEST(Query, namesBindByNameAndAValueUsedTwiceIsSentTwice)
{
    const RenderedStatement update = Query(queries::browseUpdate)
                                         .bindName("table", "tbIcdDiag3Code")
                                         .bind("code", "N")
                                         .bind("description", "New")
                                         .bind("oldCode", "O")
                                         .bind("oldDescription", QVariant())
                                         .renderOne(Product::Sqlite);
    EXPECT_TRUE(update.sql.startsWith(QLatin1String("update Build_FILE.tbIcdDiag3Code set code = ?")));
    EXPECT_EQ(update.params, (QVariantList{"N", "New", "O", QVariant(), QVariant()}));
    // The LIKE list: one pattern a word, nothing for none.
    const auto find = [](const QStringList& words) {
        return Query(queries::browseFind)
            .bindName("table", "tbICDdiagMain")
            .bind("code", "a%")
            .bindList("words", words)
            .bind("offset", 0)
            .bind("count", 10)
            .renderOne(Product::SqlServer);
    };
    EXPECT_EQ(find({}).params.size(), 3);
    const RenderedStatement two = find({"%x%", "%y%"});
    EXPECT_NE(
        two.sql.indexOf(QLatin1String(
            "(code like ? escape '!' or (Description like ? escape '!' and Description like ? escape '!'))")),
        -1)
        << two.sql.toStdString();
    EXPECT_EQ(two.params, (QVariantList{"a%", "%x%", "%y%", 0, 10}));
}

TEST(Query, anUnboundOrUnknownNameFailsTheStatement)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    const auto failure = [&](const Query& query) -> std::string {
        try {
            connection->exec(query);
        } catch (const orvex::Error& e) {
            return e.message().toStdString();
        }
        return "no error";
    };
    EXPECT_EQ(failure(Query(queries::icdByCode)),
              "The statement icdByCode cannot be made: no value is bound to :code.");
    EXPECT_EQ(failure(Query(queries::icdByCode).bind("code", "C10").bind("cde", "C10")),
              "The statement icdByCode cannot be made: it has no :cde.");
    EXPECT_EQ(failure(Query(queries::backupRowCount)),
              "The statement backupRowCount cannot be made: no name is bound to $table.");
    EXPECT_EQ(failure(Query(queries::icdByCodeBatch)),
              "The statement icdByCodeBatch cannot be made: no list is bound to :codes.");
    EXPECT_EQ(failure(Query(queries::icdByCode).bind("code", "C10")), "no error");
    // A name of the tool's own is never text that could end a statement.
    EXPECT_THROW(Query(queries::backupRowCount).bindName("table", "x; drop table y"), orvex::Error);
    // A value bound under a name only SQL Server's text uses is still known on SQLite.
    EXPECT_EQ(failure(Query(queries::backupTableDefinition).bind("table", "tbMedPackage")), "no error");
}

TEST(SqliteQueries, batchedLookupsGiveEachKeyTheRowsOfTheSingleLookup)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});

    for (const Lookup& lookup : kLookups) {
        const Rows batch = rowsOf(connection->exec(Query(lookup.batch).bindList(lookup.keyList, kKeys)));
        int matchedKeys = 0;
        for (const QString& key : kKeys) {
            const Rows single = rowsOf(connection->exec(Query(lookup.single).bind(lookup.key, key)));
            Rows ofKey;
            for (const QStringList& row : batch)
                if (kKeys.value(row.first().toInt()) == key) // column 0: the key's place in the list
                    ofKey << row.mid(1);
            // A key sent twice comes back twice.
            const qsizetype times = kKeys.count(key);
            Rows expected;
            for (const QStringList& row : single)
                for (qsizetype i = 0; i < times; ++i)
                    expected << row;
            EXPECT_EQ(ofKey, expected) << lookup.name << " key '" << key.toStdString() << "'";
            if (!single.isEmpty())
                ++matchedKeys;
        }
        EXPECT_GT(matchedKeys, 2) << lookup.name;
    }
}

TEST(SqliteQueries, firstRowIsTheFirstInStorageOrder)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    const Rows codes =
        rowsOf(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("d50 "))));
    ASSERT_EQ(codes.size(), 2);
    EXPECT_EQ(codes[0][0].toStdString(), "D50");
    EXPECT_EQ(codes[1][0].toStdString(), "d50");
    const Rows packages =
        rowsOf(connection->exec(Query(queries::packageByName).bind("name", QStringLiteral("cholera"))));
    ASSERT_EQ(packages.size(), 2);
    EXPECT_EQ(packages[0], (QStringList{"101", "Cholera", "9000", "2700", "6300"}));
}

TEST(SqliteQueries, lookupsUseTheKeyIndexes)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    const auto plan = [&](const Query& query) {
        const RenderedStatement statement = query.renderOne(Product::Sqlite);
        QString text;
        for (const QStringList& row : rowsOf(
                 connection->exec(QStringLiteral("explain query plan ") + statement.sql, statement.params)))
            text += row.join(QLatin1Char(' ')) + QLatin1Char('\n');
        return text.toStdString();
    };
    const QStringList keys = {"x", "y", "z"};
    const Query single = Query(queries::icdByCode).bind("code", "x");
    EXPECT_NE(plan(single).find("USING INDEX ixIcdCode"), std::string::npos) << plan(single);
    const Query codes = Query(queries::icdByCodeBatch).bindList("codes", keys);
    EXPECT_NE(plan(codes).find("USING INDEX ixIcdCode"), std::string::npos) << plan(codes);
    EXPECT_NE(plan(Query(queries::icdByDescriptionBatch).bindList("descriptions", keys))
                  .find("USING INDEX ixIcdDescription"),
              std::string::npos);
    EXPECT_NE(
        plan(Query(queries::caseRateByCodeBatch).bindList("codes", keys)).find("USING INDEX ixCaseRateCode"),
        std::string::npos);
    EXPECT_NE(
        plan(Query(queries::packageByNameBatch).bindList("names", keys)).find("USING INDEX ixPackageName"),
        std::string::npos);
}

TEST(SqliteQueries, batchOfTwoThousandKeysRuns)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    QStringList keys;
    for (int i = 0; i < 2000; ++i)
        keys << (i == 1234 ? QStringLiteral("c10") : QStringLiteral("K%1").arg(i));
    const Rows rows = rowsOf(connection->exec(Query(queries::icdByCodeBatch).bindList("codes", keys)));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], (QStringList{"1234", "C10", "Malignant neoplasm"}));
}
