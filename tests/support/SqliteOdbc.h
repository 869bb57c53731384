#pragma once

#include <QString>

namespace orvex::test {

// Why the SQLite ODBC driver ("SQLite3") cannot read a database file of the tests on this
// machine, or empty when it can. Found once, by reading a row of a file through it: a
// Windows workstation rarely has the driver, and under Wine the host's Linux driver is
// handed Windows paths it cannot open.
QString sqliteOdbcUnavailable();

} // namespace orvex::test

// Skips the running test, with the reason, when the SQLite ODBC driver cannot serve it.
#define ORVEX_SKIP_WITHOUT_SQLITE_ODBC()                                                                     \
    do {                                                                                                     \
        const QString orvexOdbcMissing = ::orvex::test::sqliteOdbcUnavailable();                             \
        if (!orvexOdbcMissing.isEmpty())                                                                     \
            GTEST_SKIP() << orvexOdbcMissing.toStdString();                                                  \
    } while (false)
