#pragma once

#include "db/LogIdentity.h"

#include <QDateTime>
#include <QString>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

// What an undo file would do, read without a database (for a confirmation).
struct UndoPlan
{
    QString runId;        // the apply's run
    QString database;     // as ConnectionSettings::describe() names it
    int restoredRows = 0; // rows put back to their values before the apply
    int removedRows = 0;  // rows the apply inserted, removed

    QString text() const; // "puts back 12 rows and removes 4 rows"
};

// Throws orvex::Error naming the file when it cannot be read or holds no undo data.
UndoPlan readUndoPlan(const QString& undoFile);

// The newest "undo *.sql" of `outputFolder` that was not undone yet, or "".
QString lastUndoFile(const QString& outputFolder);

struct UndoResult
{
    QString runId;
    QString undoFile;
    int restoredRows = 0;
    int removedRows = 0;
};

// Undoes an apply from its undo file in one write transaction: every row the apply changed
// gets its values back, every row it inserted is removed; one activity-log entry for the
// undo and one line per row; then the file is marked undone (".done" beside it). Nothing is
// changed, and orvex::Error says why, when the file names another database, was undone
// already, a row no longer holds what the apply left (the rows are named), or a statement
// fails.
UndoResult undoApply(db::Connection& connection, const QString& undoFile, const db::LogIdentity& log,
                     const QDateTime& when);

} // namespace orvex::apply
