#pragma once

#include "db/Connection.h"
#include "tools/ToolLog.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

namespace orvex::tools {

// A row of tbICDdiagMain whose code an earlier row already carries (in storage order on
// the embedded database; as the server numbers them on SQL Server).
struct SurplusIcdRow
{
    QVariant code;
    QVariant description;
    QVariant rowNumber; // 2 for the second row of its code, 3 for the third ...
};

struct DeletedIcdRow
{
    QVariant code;
    QVariant description;
    QVariant allowAsPrimary;
};

// The surplus rows, nothing logged.
QList<SurplusIcdRow> findDuplicateIcdRows(db::Connection& connection);

// "Check Duplicates": the surplus rows, each written to the activity log as
// code + " " + description + " " + row number, at `when`.
QList<SurplusIcdRow> checkDuplicateIcdCodes(db::Connection& connection, const LogIdentity& log,
                                            const QDateTime& when);

// "Delete Duplicates": deletes the surplus rows and logs each one (code, description,
// allow-as-primary) in the same write transaction, so a row is never gone without its
// log line. Throws orvex::Error, with nothing deleted, when a statement fails.
QList<DeletedIcdRow> deleteDuplicateIcdCodes(db::Connection& connection, const LogIdentity& log,
                                             const QDateTime& when);

QString checkLogLine(const SurplusIcdRow& row);
QString deleteLogLine(const DeletedIcdRow& row);

} // namespace orvex::tools
