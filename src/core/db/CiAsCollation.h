#pragma once

#include <QSqlDatabase>
#include <QStringView>

namespace orvex::db {

// SQL Server's default collation as the embedded database needs it: case-insensitive
// (Unicode case folding), accent-sensitive, trailing blanks ignored.
int compareCiAs(QStringView a, QStringView b);
inline bool equalCiAs(QStringView a, QStringView b)
{
    return compareCiAs(a, b) == 0;
}

// A hash equal for two texts whenever equalCiAs says they are, computed on the text as it
// stands: hashing a folded copy would cost an allocation per key.
size_t ciAsHash(QStringView text, size_t seed = 0);

// A key that is equal for two texts exactly when equalCiAs says so, for hash sets.
QString ciAsKey(QStringView text);

// Registers the collation "CI_AS" on an open QSQLITE connection (through the driver's
// sqlite3* handle). Throws orvex::Error when the connection is not SQLite or not open.
void registerCiAsCollation(const QSqlDatabase& database);

} // namespace orvex::db
