#include "db/SqliteFileUse.h"

#include "Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace orvex::db {

namespace {
const char* const kJournalSuffixes[] = {"-journal", "-wal", "-shm"};

// Takes and drops an exclusive lock, without waiting. Opening the file also rolls back
// a hot journal, and closing the last connection folds a write-ahead log in.
int tryExclusiveLock(const QString& path)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, 0);
        rc = sqlite3_exec(db, "begin exclusive; commit;", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
    return rc;
}
} // namespace

void requireSqliteFileUnused(const QString& path)
{
    if (!QFileInfo::exists(path))
        return;
    const int rc = tryExclusiveLock(path);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        throw Error(Error::Kind::Database,
                    QStringLiteral("%1 is in use by another program (it holds a lock on the database); "
                                   "nothing was changed. Close that program and try again.")
                        .arg(QDir::toNativeSeparators(path)));
    }
}

void releaseSqliteFile(const QString& path)
{
    requireSqliteFileUnused(path);
    for (const char* suffix : kJournalSuffixes) {
        const QString journal = path + QLatin1String(suffix);
        if (QFileInfo::exists(journal) && !QFile::remove(journal)) {
            throw Error(Error::Kind::Database,
                        QStringLiteral("Cannot remove %1, which belongs to the old database: the new one "
                                       "would be read through it.")
                            .arg(QDir::toNativeSeparators(journal)));
        }
    }
}

} // namespace orvex::db
