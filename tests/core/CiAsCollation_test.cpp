#include "db/CiAsCollation.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

int sign(int c)
{
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

TEST(CiAsCollation, aUtf8FileOrdersTextsAsTheUtf16FormDoes)
{
    // A UTF-8 file compares through the collation's UTF-8 form; it must agree with
    // compareCiAs for ASCII, trailing blanks, characters between the cases and beyond ASCII.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ci-as-utf8"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        db::registerCiAsCollation(db);
        QSqlQuery encoding(db);
        ASSERT_TRUE(encoding.exec(QStringLiteral("pragma encoding")) && encoding.next());
        EXPECT_EQ(encoding.value(0).toString(), QStringLiteral("UTF-8"));
        const QStringList texts = {"",        "a",      "A",      "a ",    "A00.0", "a00.0 ", "A00.0X",
                                   "A00_0",   "A00[0",  "A00`0",  "a00^0", "Z",     "z",      "[",
                                   "_",       "é",      "É",      "e",     "Éa",    "ß",      "SS",
                                   "A00.0\t", "A00.0é", "\u20ac", "abc  ", "ABD"};
        QSqlQuery q(db);
        ASSERT_TRUE(q.prepare(QStringLiteral("select (? collate CI_AS) < ?, (? collate CI_AS) = ?")));
        for (const QString& a : texts) {
            for (const QString& b : texts) {
                q.addBindValue(a);
                q.addBindValue(b);
                q.addBindValue(a);
                q.addBindValue(b);
                ASSERT_TRUE(q.exec() && q.next());
                const int bySqlite = q.value(1).toBool() ? 0 : (q.value(0).toBool() ? -1 : 1);
                EXPECT_EQ(bySqlite, sign(db::compareCiAs(a, b)))
                    << a.toStdString() << " | " << b.toStdString();
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("ci-as-utf8"));
}

TEST(CiAsCollation, textsEqualAsTheTablesCompareThemHashAlike)
{
    const QStringList texts = {"",           "a", "A", "a ", "A00.0", "a00.0 ",  "A00.0X",
                               "é",          "É", "e", "ß",  "SS",    "A00.0\t", "\U00010400",
                               "\U00010428", "Σ", "σ", "ς",  "ǅ",     "ǆ"};
    for (const QString& a : texts) {
        for (const QString& b : texts) {
            if (db::equalCiAs(a, b)) {
                EXPECT_EQ(db::ciAsHash(a, 7), db::ciAsHash(b, 7))
                    << a.toStdString() << " | " << b.toStdString();
            }
        }
    }
    EXPECT_NE(db::ciAsHash(u"A00.0"), db::ciAsHash(u"A00.1"));
    EXPECT_NE(db::ciAsHash(u"A00.0", 1), db::ciAsHash(u"A00.0", 2));
}
