#include "sampledb/SampleDatabases.h"

#include "Error.h"
#include "db/SqliteFileUse.h"
#include "db/SqliteSchema.h"
#include "sampledb/SampleSources.h"
#include "sampledb/SampleTables.h"
#include "sampledb/SqliteFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace orvex::sampledb {

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
            throw Error(Error::Kind::File, QStringLiteral("Cannot create a file in %1 to build %2: %3")
                                               .arg(native(m_folder), fileName, file.errorString()));
        QString path = file.fileName();
        file.close();
        // A temporary file is private to its owner; a database is an ordinary data file.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                        QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
        m_temporary.append(path);
        m_targets.append(QDir(m_folder).filePath(fileName));
        return path;
    }

    // Puts the built files in place of the targets. The old files are all moved aside
    // first, so that each rename meets a free name and none is lost; any failed step puts
    // every file back as it was. Returns where the old files were kept.
    QStringList commit(const QDateTime& now, const SampleBuildStepFn& step)
    {
        // A writer that started meanwhile would keep writing into the old file; its
        // journal, or one a crashed writer left, would be rolled into the new one.
        for (const QString& target : std::as_const(m_targets))
            db::requireSqliteFileUnused(target);
        for (const QString& target : std::as_const(m_targets))
            db::releaseSqliteFile(target);
        try {
            for (const QString& target : std::as_const(m_targets)) {
                if (!QFileInfo::exists(target))
                    continue;
                const QString aside = freeAsideName(target, now);
                if (!QFile::rename(target, aside))
                    throw Error(Error::Kind::File,
                                QStringLiteral("Cannot move %1 aside to %2 (is it open in another program?)")
                                    .arg(native(target), native(aside)));
                m_movedAside.append({target, aside});
                if (step)
                    step(SampleBuildStep::MovedAside, QFileInfo(target).fileName());
            }
            for (qsizetype i = 0; i < m_targets.size(); ++i) {
                if (!QFile::rename(m_temporary[i], m_targets[i]))
                    throw Error(Error::Kind::File, QStringLiteral("Cannot rename %1 to %2")
                                                       .arg(native(m_temporary[i]), native(m_targets[i])));
                m_placed = i + 1;
                if (step)
                    step(SampleBuildStep::Placed, QFileInfo(m_targets[i]).fileName());
            }
        } catch (const Error& e) {
            const QString lost = putBack();
            throw Error(e.kind(),
                        e.message() + (lost.isEmpty() ? QStringLiteral("; every file was put back as it was.")
                                                      : QStringLiteral("; ") + lost));
        }
        m_temporary.clear();
        QStringList kept;
        for (const auto& moved : std::as_const(m_movedAside))
            kept.append(moved.second);
        return kept;
    }

private:
    // "Build_FILE.db.2024-02-14 093000.bak", or "... (2).bak" when that name is taken.
    static QString freeAsideName(const QString& target, const QDateTime& now)
    {
        const QString base = target + QLatin1Char('.') + now.toString(QStringLiteral("yyyy-MM-dd HHmmss"));
        QString name = base + QStringLiteral(".bak");
        for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
            name = base + QStringLiteral(" (%1).bak").arg(n);
        return name;
    }

    // Undoes the renames of a failed commit, last first; names what could not be put back.
    QString putBack() noexcept
    {
        QStringList stuck;
        for (qsizetype i = m_placed - 1; i >= 0; --i)
            if (!QFile::rename(m_targets[i], m_temporary[i]))
                stuck.append(native(m_targets[i]));
        m_placed = 0;
        for (auto it = m_movedAside.crbegin(); it != m_movedAside.crend(); ++it)
            if (!QFile::rename(it->second, it->first))
                stuck.append(QStringLiteral("%1 (kept as %2)").arg(native(it->first), native(it->second)));
        m_movedAside.clear();
        return stuck.isEmpty() ? QString()
                               : QStringLiteral("these files could not be put back: %1")
                                     .arg(stuck.join(QStringLiteral(", ")));
    }

    QString m_folder;
    QStringList m_temporary;
    QStringList m_targets;
    QList<std::pair<QString, QString>> m_movedAside; // target, where it was kept
    qsizetype m_placed = 0;                          // new files put in place so far
};

void requireFolder(const QString& folder)
{
    if (folder.isEmpty())
        throw Error(QStringLiteral("No folder was given for the sample databases."));
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        throw Error(Error::Kind::File,
                    QStringLiteral("Cannot build the sample databases in %1: it is a file, not a folder.")
                        .arg(native(folder)));
    if (!QDir().mkpath(folder))
        throw Error(
            Error::Kind::File,
            QStringLiteral("Cannot create the folder %1 for the sample databases.").arg(native(folder)));
}

bool existsIn(const QString& folder, const QString& name)
{
    return QFileInfo::exists(QDir(folder).filePath(name));
}

// Without --force: the files that are missing, built without touching the others. The two
// hospital databases belong together (the case rates name the packages), so one of them is
// never built beside an existing other.
QStringList missingFiles(const QString& folder)
{
    const bool buildFile = existsIn(folder, kBuildFileDatabaseFile);
    const bool medicare = existsIn(folder, kMedicareDatabaseFile);
    if (buildFile != medicare) {
        const QString present = buildFile ? kBuildFileDatabaseFile : kMedicareDatabaseFile;
        const QString missing = buildFile ? kMedicareDatabaseFile : kBuildFileDatabaseFile;
        throw Error(QStringLiteral("%1 is in %2 but %3 is not; nothing was changed. The two are built "
                                   "together: put %3 back, or move %1 out of the folder to build both anew.")
                        .arg(present, native(folder), missing));
    }
    QStringList missing;
    for (const QString& name : sampleDatabaseFiles())
        if (!existsIn(folder, name))
            missing.append(name);
    if (missing.isEmpty())
        throw Error(QStringLiteral("%1 already exist in %2; nothing was changed.")
                        .arg(sampleDatabaseFiles().join(QStringLiteral(", ")), native(folder)));
    return missing;
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

void provisionEmbeddedFolder(const QString& folder)
{
    if (!embeddedDatabasesPresent(folder))
        buildSampleDatabases(folder, false);
}

SampleBuild buildSampleDatabases(const QString& folder, bool force)
{
    return buildSampleDatabases(folder, force, {});
}

SampleBuild buildSampleDatabases(const QString& folder, bool force, const SampleBuildStepFn& step)
{
    requireFolder(folder);
    SampleBuild build;
    build.built = force ? sampleDatabaseFiles() : missingFiles(folder);
    for (const QString& name : std::as_const(build.built))
        db::requireSqliteFileUnused(QDir(folder).filePath(name));

    const Sources sources = loadSources();
    PendingFiles pending(folder);
    for (const QString& name : std::as_const(build.built)) {
        const QString path = pending.create(name);
        if (name == kBuildFileDatabaseFile)
            writeSqliteFile(path, db::sqliteschema::buildFile(), buildFileTables(sources));
        else if (name == kMedicareDatabaseFile)
            writeSqliteFile(path, db::sqliteschema::medicare(), medicareTables(sources));
        else
            writeSqliteFile(path, db::sqliteschema::central(), centralTables(sources));
        if (step)
            step(SampleBuildStep::Built, name);
    }
    build.keptAside = pending.commit(QDateTime::currentDateTime(), step);
    return build;
}

QList<SampleTableCount> countSampleTables(const QString& folder)
{
    QList<SampleTableCount> counts;
    for (const QString& name : sampleDatabaseFiles()) {
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            throw Error(Error::Kind::File,
                        QStringLiteral("The sample database %1 does not exist.").arg(native(path)));
        for (const TableCount& c : countSqliteTables(path))
            counts.append({name, c.table, c.rows});
    }
    return counts;
}

} // namespace orvex::sampledb
