#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace orvex::db {

// ODBC connection strings: KEY=value pairs separated by ";", a value in braces may hold
// ";" and "}}" stands for "}" inside braces.
using OdbcAttributes = QList<std::pair<QString, QString>>;

OdbcAttributes parseOdbcConnectionString(const QString& connectionString);

// The value of `key` (matched without regard to case), empty when absent. Braces removed.
QString odbcAttribute(const QString& connectionString, const QString& key);

// A value as it may stand in a connection string: braced when it holds ";", braces,
// "=" or blanks at either end.
QString odbcQuoted(const QString& value);

// The string with every password attribute (PWD, Password) removed, for messages.
QString withoutOdbcPassword(const QString& connectionString);

// The string without the attributes named in `keys` (matched without regard to case).
QString withoutOdbcAttributes(const QString& connectionString, const QStringList& keys);

// Appends KEY=value (quoted as needed) to `connectionString`.
QString withOdbcAttribute(const QString& connectionString, const QString& key, const QString& value);

} // namespace orvex::db
