#pragma once

#include <QString>
#include <QStringList>

namespace orvex::test {

// Creates (or extends) the SQLite file `path` by running `statements` on it; with
// `withCiAs` the CI_AS collation is registered first so columns may declare it.
void runOnSqliteFile(const QString& path, const QStringList& statements, bool withCiAs = true);

// Build_FILE.db and Medicare.db in `folder` with the tables the tool reads and a few
// rows chosen for the collation: codes and names that differ in case, trailing blanks
// and accents, and keys held by more than one row. `keyCollation` is the collation the
// key columns declare ("CI_AS" for the embedded backend, "NOCASE" or "" for files
// read through the SQLite ODBC driver, which cannot register CI_AS).
void writeSmallDatabases(const QString& folder, const QString& keyCollation = QStringLiteral("CI_AS"));

} // namespace orvex::test
