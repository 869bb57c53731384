#pragma once

#include <QList>
#include <QString>

#include <functional>

// The embedded sample databases: SQLite stand-ins for the hospital's Build_FILE and
// Medicare and for the central update server's Build_FILE, built from real public data
// carried inside the program (data/README.md gives the rules).
namespace orvex::db {

inline const QString kBuildFileDatabaseFile = QStringLiteral("Build_FILE.db");
inline const QString kMedicareDatabaseFile = QStringLiteral("Medicare.db");
inline const QString kCentralDatabaseFile = QStringLiteral("central.db");

// The three files in the order they are built.
QStringList sampleDatabaseFiles();
QString centralDatabasePath(const QString& folder);

// True when Build_FILE.db or Medicare.db exists in `folder`.
bool embeddedDatabasesPresent(const QString& folder);

// Builds Build_FILE.db, Medicare.db and central.db in `folder` (created when missing).
// Without `force` it refuses, before building anything, when any of them exists. The
// files are built under temporary names and renamed only when all three are complete,
// so a failure leaves the folder as it was. Throws orvex::Error.
void buildSampleDatabases(const QString& folder, bool force);

// The same, calling `afterFileBuilt` with each file name once its temporary file is
// complete (before any rename): a seam for progress and for failure tests.
void buildSampleDatabases(const QString& folder, bool force,
                          const std::function<void(const QString& fileName)>& afterFileBuilt);

struct SampleTableCount
{
    QString file; // "Build_FILE.db"
    QString table;
    qint64 rows = 0;
    bool operator==(const SampleTableCount&) const = default;
};
// Rows per table of the sample databases in `folder`, file by file. Throws orvex::Error
// when a file is missing or unreadable.
QList<SampleTableCount> countSampleTables(const QString& folder);

} // namespace orvex::db
