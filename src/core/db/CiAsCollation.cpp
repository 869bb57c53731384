#include "db/CiAsCollation.h"

#include "Error.h"
#include "db/SqliteHandle.h"
#include "text/Blanks.h"

#include <sqlite3.h>

namespace orvex::db {

namespace {

int sqliteCompare(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    // Lengths are in bytes of native UTF-16.
    const QStringView left(static_cast<const QChar*>(a), lengthA / 2);
    const QStringView right(static_cast<const QChar*>(b), lengthB / 2);
    return compareCiAs(left, right);
}
} // namespace

int compareCiAs(QStringView a, QStringView b)
{
    const int c = withoutTrailingBlanks(a).compare(withoutTrailingBlanks(b), Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString ciAsKey(QStringView text)
{
    return withoutTrailingBlanks(text).toString().toCaseFolded();
}

void registerCiAsCollation(const QSqlDatabase& database)
{
    sqlite3* raw = sqliteHandle(database);
    if (sqlite3_create_collation_v2(raw, "CI_AS", SQLITE_UTF16, nullptr, sqliteCompare, nullptr) != SQLITE_OK)
        throw Error(Error::Kind::Database, QStringLiteral("cannot register the CI_AS collation: %1")
                                               .arg(QString::fromUtf8(sqlite3_errmsg(raw))));
}

} // namespace orvex::db
