// The table browser's data side and the ICD code search.
#include "Error.h"
#include "bridges/IcdSearchIndex.h"
#include "bridges/IcdTableBrowse.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "support/SmallDatabases.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace orvex;
using bridges::BrowseRow;
using bridges::IcdCode;
using bridges::IcdSearchIndex;

namespace {

const db::LogIdentity kWho{QStringLiteral("clerk"), QStringLiteral("ws2")};

QStringList codesOf(const QList<BrowseRow>& rows)
{
    QStringList codes;
    for (const BrowseRow& r : rows)
        codes << r.code.toString();
    return codes;
}

QStringList codesOf(const QList<IcdCode>& found)
{
    QStringList codes;
    for (const IcdCode& c : found)
        codes << c.code;
    return codes;
}

class IcdBrowse : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& [code, description] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"A01", "Typhoid and paratyphoid fevers"},
                 {"A00", "Cholera"},
                 {"A01.0", "Typhoid fever"},
                 {"B50%", "100% plasmodium_falciparum [malaria]"},
                 {"O'1", "O'Brien's fever"}})
            m_db.exec(QStringLiteral("Build_FILE"),
                      QStringLiteral("insert into tbIcdDiag3Code (code, Description) values (?, ?)"),
                      {QString::fromUtf8(code), QString::fromUtf8(description)});
        m_connection = db::Connection::open(m_db.settings());
        m_browse =
            std::make_unique<bridges::IcdTableBrowse>(*m_connection, QStringLiteral("TBICDDIAG3CODE"), kWho);
    }

    // The rows the find lists; their count is what count() says.
    QStringList found(const QString& text)
    {
        m_browse->setFind(text);
        const QStringList codes = codesOf(m_browse->page(0, 100));
        EXPECT_EQ(m_browse->count(), codes.size()) << text.toStdString();
        return codes;
    }

    test::SmallDatabases m_db;
    std::unique_ptr<db::Connection> m_connection;
    std::unique_ptr<bridges::IcdTableBrowse> m_browse;
};

} // namespace

TEST_F(IcdBrowse, findsByCodePrefixOrDescriptionWordsInCodeOrderAPageAtATime)
{
    EXPECT_EQ(m_browse->table(), QStringLiteral("tbIcdDiag3Code"));
    EXPECT_EQ(found(QString()), (QStringList{"A00", "A01", "A01.0", "B50%", "O'1"}));
    EXPECT_EQ(found(QStringLiteral("a01")), (QStringList{"A01", "A01.0"}));
    EXPECT_EQ(found(QStringLiteral("FEVER typhoid")), (QStringList{"A01", "A01.0"}));
    // Wildcards and quotes are plain characters.
    EXPECT_EQ(found(QStringLiteral("%")), (QStringList{"B50%"}));
    EXPECT_EQ(found(QStringLiteral("_")), (QStringList{"B50%"}));
    EXPECT_EQ(found(QStringLiteral("[malaria]")), (QStringList{"B50%"}));
    EXPECT_EQ(found(QStringLiteral("O'")), (QStringList{"O'1"}));
    EXPECT_TRUE(found(QString(500, QLatin1Char('z'))).isEmpty());

    m_browse->setFind(QString());
    EXPECT_EQ(codesOf(m_browse->page(1, 2)), (QStringList{"A01", "A01.0"}));
    EXPECT_EQ(codesOf(m_browse->page(4, 2)), (QStringList{"O'1"}));
    EXPECT_THROW(bridges::IcdTableBrowse(*m_connection, QStringLiteral("tbMedPackage"), kWho), Error);
}

TEST_F(IcdBrowse, editsAndAddsAreSavedWithTheirLogLineAndARefusedOneSavesNothing)
{
    m_browse->update({QStringLiteral("A00"), QStringLiteral("Cholera")},
                     {QStringLiteral("A00"), QStringLiteral("Cholera, all forms")});
    m_browse->add({QStringLiteral("A02"), QStringLiteral("Other salmonella infections")});
    EXPECT_EQ(found(QStringLiteral("cholera")), QStringList{"A00"});
    EXPECT_EQ(found(QStringLiteral("salmonella")), QStringList{"A02"});
    QStringList log;
    for (const db::ActivityLogEntry& e : db::ActivityLog(*m_connection).last(0))
        log << e.user + QLatin1Char('|') + e.text;
    EXPECT_EQ(
        log,
        (QStringList{"clerk|Edited tbIcdDiag3Code row \"A00\" \"Cholera\" to \"A00\" \"Cholera, all forms\"",
                     "clerk|Added to tbIcdDiag3Code row \"A02\" \"Other salmonella infections\""}));

    // A row that is no longer there, and a statement the database refuses.
    EXPECT_THROW(m_browse->update({QStringLiteral("A00"), QStringLiteral("Cholera")},
                                  {QStringLiteral("A00"), QStringLiteral("again")}),
                 Error);
    m_connection->exec(QStringLiteral("create trigger Build_FILE.refuse before update on tbIcdDiag3Code "
                                      "begin select raise(abort, 'read-only table'); end"));
    try {
        m_browse->update({QStringLiteral("A01"), QStringLiteral("Typhoid and paratyphoid fevers")},
                         {QStringLiteral("A01"), QStringLiteral("changed")});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("read-only table"))) << e.message().toStdString();
    }
    EXPECT_EQ(found(QStringLiteral("A01")), (QStringList{"A01", "A01.0"}));
    EXPECT_EQ(db::ActivityLog(*m_connection).last(0).size(), 2);
}

TEST_F(IcdBrowse, theRowsOfACodeAreFoundAsTheCollationComparesIt)
{
    m_browse->add({QStringLiteral("A01.0"), QStringLiteral("Typhoid fever, second row")});
    const QList<BrowseRow> rows = m_browse->rowsWithCode(QStringLiteral("a01.0"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (BrowseRow{QStringLiteral("A01.0"), QStringLiteral("Typhoid fever")}));
    EXPECT_TRUE(m_browse->rowsWithCode(QStringLiteral("A01.")).isEmpty()); // no prefix match
    EXPECT_TRUE(m_browse->rowsWithCode(QStringLiteral("B50_")).isEmpty()); // no wildcard
    EXPECT_EQ(m_browse->rowsWithCode(QStringLiteral("O'1")).size(), 1);

    EXPECT_EQ(bridges::duplicateCodeQuestion(QStringLiteral("tbIcdDiag3Code"),
                                             {QStringLiteral("a01.0"), QStringLiteral("Typhoid")}, rows),
              QStringLiteral("The code \"a01.0\" is in tbIcdDiag3Code already (2 rows):\n"
                             "\"A01.0\" \"Typhoid fever\"\n\"A01.0\" \"Typhoid fever, second row\"\n\n"
                             "Add a second row \"a01.0\" \"Typhoid\" with the same code?"));
    const QList<BrowseRow> many(7, rows[0]);
    EXPECT_TRUE(bridges::duplicateCodeQuestion(QStringLiteral("t"), rows[0], many)
                    .contains(QLatin1String("(7 rows):\n\"A01.0\" \"Typhoid fever\"\n")));
    EXPECT_TRUE(bridges::duplicateCodeQuestion(QStringLiteral("t"), rows[0], many)
                    .contains(QLatin1String("\nand 2 more\n")));
}

TEST(IcdSearch, findsCodesByPrefixOrByWordsInAnyOrderBestFirst)
{
    const IcdSearchIndex index({{"A01.0", "Typhoid fever"},
                                {"A01", "Typhoid and paratyphoid fevers"},
                                {"A01.1", "Paratyphoid fever A"},
                                {"A00.0", "Cholera due to Vibrio cholerae 01, biovar cholerae"},
                                {"A90", "Dengue fever [classical dengue]"},
                                {"É01", "École fever"},
                                {"A01.0", "Typhoid fever"}});
    EXPECT_EQ(index.size(), 6); // the repeated row once
    EXPECT_EQ(codesOf(index.find(u"fever typhoid", 10)), (QStringList{"A01.0", "A01"}));
    EXPECT_EQ(codesOf(index.find(u"a01", 10)), (QStringList{"A01", "A01.0", "A01.1"}));
    EXPECT_EQ(codesOf(index.find(u"A01.0", 10)), QStringList{"A01.0"});
    EXPECT_EQ(codesOf(index.find(u"a011", 10)), QStringList{"A01.1"});
    EXPECT_EQ(codesOf(index.find(u"fever", 2)), (QStringList{"A01.0", "É01"}));
    EXPECT_EQ(codesOf(index.find(u"ecole", 10)), QStringList{"É01"});
    EXPECT_EQ(codesOf(index.find(u"DENG CLASS", 10)), QStringList{"A90"});
    for (const QString& odd : {QString(), QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("'"),
                               QString(500, QLatin1Char('q'))})
        EXPECT_TRUE(index.find(odd, 10).isEmpty()) << odd.left(10).toStdString();
    EXPECT_EQ(codesOf(index.find(QStringLiteral("typhoid ") + QString(500, QLatin1Char(' ')), 1)),
              QStringList{"A01.0"});
}
