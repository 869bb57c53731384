#pragma once

// Writing an undo file beside the changes it takes back, shared by every tool whose changes
// "Undo last apply" can take back (the apply of a run, the online ICD update).
#include "apply/UndoFile.h"
#include "db/LogIdentity.h"

#include <QDateTime>
#include <QString>

namespace orvex::db {
class ActivityLog;
class Transaction;
} // namespace orvex::db

namespace orvex::apply {

// Inside the caller's write transaction: writes `record` as a new "undo <date time>.sql" of
// `outputFolder` (made when missing) and logs the file's name and digest through `activity`,
// so that an undo runs only this file, and only once the transaction committed. Returns the
// file's path. Throws orvex::Error (kind File) naming the file when it cannot be written; a
// link planted in its place is refused.
QString writeLoggedUndoFile(db::ActivityLog& activity, const db::LogIdentity& log, const UndoRecord& record,
                            const QString& outputFolder, const QDateTime& when);

// Commits `transaction`; when the commit fails, removes `undoFile` (nothing it names was
// changed), clears it and rethrows.
void commitWithUndoFile(db::Transaction& transaction, QString& undoFile);

} // namespace orvex::apply
