#include "db/SampleDatabases.h"

#include "Error.h"
#include "db/SampleSources.h"
#include "db/SampleTables.h"
#include "db/SqliteFileUse.h"
#include "db/SqliteFileWriter.h"
#include "db/SqliteSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace orvex::db {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Temporary files beside the targets (same folder, so the final rename is atomic per
// file); whatever is not committed is removed when this goes out of scope.
class PendingFiles
{
public:
    explicit PendingFiles(const QString& folder) : m_folder(folder) {}
    ~PendingFiles()
    {
        for (const QString& path : std::as_const(m_temporary))
            QFile::remove(path);
    }
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    QString create(const QString& fileName)
    {
        QTemporaryFile file(QDir(m_folder).filePath(fileName + QStringLiteral(".XXXXXX.building")));
        file.setAutoRemove(false);
        if (!file.open())
            throw Error(QStringLiteral("Cannot create a file in %1 to build %2: %3")
                            .arg(native(m_folder), fileName, file.errorString()));
        const QString path = file.fileName();
        file.close();
        // A temporary file is private to its owner; a database is an ordinary data file.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                        QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
        m_temporary.append(path);
        m_targets.append(QDir(m_folder).filePath(fileName));
        return path;
    }

    // Replaces the targets by the built files: old files go first, so that each rename
    // meets a free name.
    void commit()
    {
        // A writer that started meanwhile would keep writing into the old file; its
        // journal, or one a crashed writer left, would be rolled into the new one.
        for (const QString& target : std::as_const(m_targets))
            requireSqliteFileUnused(target);
        for (const QString& target : std::as_const(m_targets))
            releaseSqliteFile(target);
        for (const QString& target : std::as_const(m_targets))
            if (QFileInfo::exists(target) && !QFile::remove(target))
                throw Error(
                    QStringLiteral("Cannot replace %1: the file cannot be removed (is it open in another "
                                   "program?)")
                        .arg(native(target)));
        for (qsizetype i = 0; i < m_targets.size(); ++i) {
            if (!QFile::rename(m_temporary[i], m_targets[i]))
                throw Error(QStringLiteral("Cannot rename %1 to %2")
                                .arg(native(m_temporary[i]), native(m_targets[i])));
            m_temporary[i].clear();
        }
        m_temporary.clear();
    }

private:
    QString m_folder;
    QStringList m_temporary;
    QStringList m_targets;
};

void requireFolder(const QString& folder)
{
    if (folder.isEmpty())
        throw Error(QStringLiteral("No folder was given for the sample databases."));
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        throw Error(QStringLiteral("Cannot build the sample databases in %1: it is a file, not a folder.")
                        .arg(native(folder)));
    if (!QDir().mkpath(folder))
        throw Error(
            QStringLiteral("Cannot create the folder %1 for the sample databases.").arg(native(folder)));
}

void refuseExisting(const QString& folder)
{
    QStringList existing;
    for (const QString& name : sampleDatabaseFiles())
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            existing.append(name);
    if (!existing.isEmpty())
        throw Error(
            QStringLiteral("%1 already %2 in %3; nothing was changed. Use --force to rebuild the sample "
                           "databases (this replaces the existing files).")
                .arg(existing.join(QStringLiteral(", ")),
                     existing.size() == 1 ? QStringLiteral("exists") : QStringLiteral("exist"),
                     native(folder)));
}

} // namespace

QStringList sampleDatabaseFiles()
{
    return {kBuildFileDatabaseFile, kMedicareDatabaseFile, kCentralDatabaseFile};
}

QString centralDatabasePath(const QString& folder)
{
    return QDir(folder).filePath(kCentralDatabaseFile);
}

bool embeddedDatabasesPresent(const QString& folder)
{
    const QDir dir(folder);
    return QFileInfo::exists(dir.filePath(kBuildFileDatabaseFile)) ||
           QFileInfo::exists(dir.filePath(kMedicareDatabaseFile));
}

void buildSampleDatabases(const QString& folder, bool force)
{
    buildSampleDatabases(folder, force, {});
}

void buildSampleDatabases(const QString& folder, bool force,
                          const std::function<void(const QString& fileName)>& afterFileBuilt)
{
    requireFolder(folder);
    if (!force)
        refuseExisting(folder);
    for (const QString& name : sampleDatabaseFiles())
        requireSqliteFileUnused(QDir(folder).filePath(name));

    const sample::Sources sources = sample::loadSources();
    const struct
    {
        const QString& name;
        sqliteschema::Schema schema;
        QList<sample::TableRows> tables;
    } files[] = {
        {kBuildFileDatabaseFile, sqliteschema::buildFile(), sample::buildFileTables(sources)},
        {kMedicareDatabaseFile, sqliteschema::medicare(), sample::medicareTables(sources)},
        {kCentralDatabaseFile, sqliteschema::central(), sample::centralTables(sources)},
    };

    PendingFiles pending(folder);
    for (const auto& f : files) {
        writeSqliteFile(pending.create(f.name), f.schema, f.tables);
        if (afterFileBuilt)
            afterFileBuilt(f.name);
    }
    pending.commit();
}

QList<SampleTableCount> countSampleTables(const QString& folder)
{
    QList<SampleTableCount> counts;
    for (const QString& name : sampleDatabaseFiles()) {
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            throw Error(QStringLiteral("The sample database %1 does not exist.").arg(native(path)));
        for (const TableCount& c : countSqliteTables(path))
            counts.append({name, c.table, c.rows});
    }
    return counts;
}

} // namespace orvex::db
