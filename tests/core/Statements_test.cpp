#include "db/Statements.h"

#include "db/Connection.h"
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

struct Lookup
{
    const char* name;
    std::function<QString(const Statements&)> single;
    std::function<QString(const Statements&, int)> batch;
};

const Lookup kLookups[] = {
    {"icdByCode", &Statements::icdByCode, &Statements::icdByCodeBatch},
    {"icdByDescription", &Statements::icdByDescription, &Statements::icdByDescriptionBatch},
    {"caseRateByCode", &Statements::caseRateByCode, &Statements::caseRateByCodeBatch},
    {"packageByName", &Statements::packageByName, &Statements::packageByNameBatch},
};

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

TEST(SqlServerStatements, perLineLookupsAreTheHospitalQueriesWithParametersInADefinedOrder)
{
    const Statements& sql = Statements::forProduct(Product::SqlServer);
    EXPECT_EQ(sql.icdByCode().toStdString(),
              "select CODE,Description from build_file.dbo.tbICDdiagMain where code  = ? "
              "order by CODE collate Latin1_General_BIN2, Description collate Latin1_General_BIN2");
    EXPECT_EQ(sql.icdByDescription().toStdString(),
              "select CODE,Description from build_file.dbo.tbICDdiagMain where Description  = ? "
              "order by CODE collate Latin1_General_BIN2, Description collate Latin1_General_BIN2");
    EXPECT_EQ(sql.caseRateByCode().toStdString(),
              "select [ICDCode],[Description],[CaseType],[PackageID] "
              "from [Medicare].[dbo].[tbMed_MedicalCaseRates] where ICDCode  = ? "
              "order by ICDCode collate Latin1_General_BIN2, Description collate Latin1_General_BIN2, "
              "CaseType, PackageID");
    EXPECT_EQ(sql.packageByName().toStdString(),
              "select * from [Medicare].[dbo].[tbMedPackage] where Package  = ? "
              "order by Package collate Latin1_General_BIN2, PackageID, Amount, PF, MedRoomBoard");
}

TEST(SqlServerStatements, batchedLookupsJoinAValuesListInTheOrderOfTheSingleLookup)
{
    const Statements& sql = Statements::forProduct(Product::SqlServer);
    EXPECT_EQ(sql.icdByCodeBatch(3).toStdString(),
              "select k.v, t.CODE, t.Description from (values (?),(?),(?)) as k(v) "
              "join build_file.dbo.tbICDdiagMain t on t.code = k.v "
              "order by t.CODE collate Latin1_General_BIN2, t.Description collate Latin1_General_BIN2");
    EXPECT_EQ(sql.packageByNameBatch(1).toStdString(),
              "select k.v, t.PackageID, t.Package, t.Amount, t.PF, t.MedRoomBoard from (values (?)) as k(v) "
              "join [Medicare].[dbo].[tbMedPackage] t on t.Package = k.v "
              "order by t.Package collate Latin1_General_BIN2, t.PackageID, t.Amount, t.PF, t.MedRoomBoard");
    EXPECT_EQ(sql.caseRateByCodeBatch(2000).count(QLatin1Char('?')), 2000);
    // Each batched statement sorts exactly as its single-key form.
    const auto orderOf = [](const QString& statement) {
        return statement.mid(statement.indexOf(QLatin1String(" order by "))).remove(QLatin1String("t."));
    };
    EXPECT_EQ(orderOf(sql.icdByDescriptionBatch(2)), orderOf(sql.icdByDescription()));
    EXPECT_EQ(orderOf(sql.caseRateByCodeBatch(2)), orderOf(sql.caseRateByCode()));
}

TEST(SqliteStatements, batchedLookupsGiveEachKeyTheRowsOfTheSingleLookup)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    const Statements& sql = connection->statements();

    for (const Lookup& lookup : kLookups) {
        QVariantList params;
        for (const QString& key : kKeys)
            params << key;
        const Rows batch = rowsOf(connection->exec(lookup.batch(sql, int(kKeys.size())), params));
        int matchedKeys = 0;
        for (const QString& key : kKeys) {
            const Rows single = rowsOf(connection->exec(lookup.single(sql), {key}));
            Rows ofKey;
            for (const QStringList& row : batch)
                if (row.first() == key)
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

TEST(SqliteStatements, firstRowIsTheFirstInStorageOrder)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    const Statements& sql = connection->statements();
    const Rows codes = rowsOf(connection->exec(sql.icdByCode(), {QStringLiteral("d50 ")}));
    ASSERT_EQ(codes.size(), 2);
    EXPECT_EQ(codes[0][0].toStdString(), "D50");
    EXPECT_EQ(codes[1][0].toStdString(), "d50");
    const Rows packages = rowsOf(connection->exec(sql.packageByName(), {QStringLiteral("cholera")}));
    ASSERT_EQ(packages.size(), 2);
    EXPECT_EQ(packages[0], (QStringList{"101", "Cholera", "9000", "2700", "6300"}));
}

TEST(SqliteStatements, lookupsUseTheKeyIndexes)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    const Statements& sql = connection->statements();
    const auto plan = [&](const QString& statement, int keys) {
        QVariantList params;
        for (int i = 0; i < keys; ++i)
            params << QStringLiteral("x");
        QString text;
        for (const QStringList& row :
             rowsOf(connection->exec(QStringLiteral("explain query plan ") + statement, params)))
            text += row.join(QLatin1Char(' ')) + QLatin1Char('\n');
        return text.toStdString();
    };
    EXPECT_NE(plan(sql.icdByCode(), 1).find("USING INDEX ixIcdCode"), std::string::npos)
        << plan(sql.icdByCode(), 1);
    EXPECT_NE(plan(sql.icdByCodeBatch(3), 3).find("USING INDEX ixIcdCode"), std::string::npos)
        << plan(sql.icdByCodeBatch(3), 3);
    EXPECT_NE(plan(sql.icdByDescriptionBatch(3), 3).find("USING INDEX ixIcdDescription"), std::string::npos);
    EXPECT_NE(plan(sql.caseRateByCodeBatch(3), 3).find("USING INDEX ixCaseRateCode"), std::string::npos);
    EXPECT_NE(plan(sql.packageByNameBatch(3), 3).find("USING INDEX ixPackageName"), std::string::npos);
}

TEST(SqliteStatements, batchOfTwoThousandKeysRuns)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open({ConnectionSettings::Kind::Embedded, dir.path()});
    QVariantList keys;
    for (int i = 0; i < 2000; ++i)
        keys << (i == 1234 ? QStringLiteral("c10") : QStringLiteral("K%1").arg(i));
    const Rows rows = rowsOf(connection->exec(connection->statements().icdByCodeBatch(2000), keys));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], (QStringList{"c10", "C10", "Malignant neoplasm"}));
}
