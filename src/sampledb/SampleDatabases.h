#pragma once

#include <QList>
#include <QString>

#include <functional>

// The embedded sample databases: SQLite stand-ins for the hospital's Build_FILE and
// Medicare and for the central update server's Build_FILE, built from real public data
// carried inside the program (data/README.md gives the rules).
namespace orvex::sampledb {

inline const QString kBuildFileDatabaseFile = QStringLiteral("Build_FILE.db");
inline const QString kMedicareDatabaseFile = QStringLiteral("Medicare.db");
inline const QString kCentralDatabaseFile = QStringLiteral("central.db");

// The three files in the order they are built.
QStringList sampleDatabaseFiles();
QString centralDatabasePath(const QString& folder);

// True when Build_FILE.db or Medicare.db exists in `folder`.
bool embeddedDatabasesPresent(const QString& folder);

// The sign-in's provisioning of the default folder: a folder without any database file
// gets the sample databases; one that holds only one of the two files is left alone, and
// opening names the missing one. Throws orvex::Error.
void provisionEmbeddedFolder(const QString& folder);

// What a build did: the files it built, and where it kept the old files it replaced.
struct SampleBuild
{
    QStringList built;     // file names, in build order
    QStringList keptAside; // paths of the old files, "Build_FILE.db.2024-02-14 093000.bak"
};

// Builds the sample databases in `folder` (created when missing) and never deletes one.
// Without `force` it builds only what is missing and leaves every existing file alone:
// central.db on its own, Build_FILE.db and Medicare.db together; it refuses, before
// building anything, when nothing is missing or when one of the two exists without the
// other. With `force` it builds all three and keeps each existing file beside it as
// NAME.<yyyy-MM-dd HHmmss>.bak. New files are built under temporary names; once all are
// complete the old ones are moved aside, then the new ones put in place, and a failed step
// puts every file back, so a failure leaves the folder as it was. Throws orvex::Error.
SampleBuild buildSampleDatabases(const QString& folder, bool force);

// The steps a build reports to `step`: a seam for progress and for failure tests.
enum class SampleBuildStep {
    Built,      // the temporary file of `fileName` is complete
    MovedAside, // the old `fileName` was moved aside
    Placed,     // the new `fileName` is in place
};
using SampleBuildStepFn = std::function<void(SampleBuildStep step, const QString& fileName)>;
SampleBuild buildSampleDatabases(const QString& folder, bool force, const SampleBuildStepFn& step);

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

} // namespace orvex::sampledb
