#pragma once

#include "db/LogIdentity.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace orvex::db {
class Connection;
}

// The online ICD update: the central server's update table is read whole, shown, and
// then applied to the hospital's tbICDdiagMain: missing codes are added, differing
// descriptions replaced, nothing is deleted.
namespace orvex::tools {

// The update table as the grid shows it: the column names, then each row's values as
// text (NULL as empty) in the server's order. Columns are used by position: the first
// is the code, the second the description, the sixth the allow-as-primary flag.
struct CentralUpdateTable
{
    QStringList columns;
    QList<QStringList> rows;
};

// Reads the whole update table. Throws orvex::Error naming the central server.
CentralUpdateTable readCentralUpdateTable(db::Connection& central);

struct OnlineUpdateCounts
{
    int added = 0;
    int updated = 0;
    int skipped = 0;      // rows without a description or without a code
    QStringList changes;  // the activity-log lines written, in order
    bool stopped = false; // a stop request rolled everything back: nothing was changed
};

// "Done." with the numbers added and updated.
QString closingMessage(const OnlineUpdateCounts& counts);

struct OnlineUpdateHooks
{
    std::function<void(int rowsDone, int rowCount)> progress; // after each row
    std::function<bool()> stopRequested;                      // checked before each row
};

// Applies `rows` (cells by position) to the hospital's tbICDdiagMain on `hospital`, in
// one transaction with its activity-log lines. A row without a description, or without a
// code, is skipped. A code is matched as the database's collation says; only the first
// row of a code is compared and changed, and a NULL description is left alone. Throws
// orvex::Error naming the row that failed, after rolling everything back. A stop request
// also rolls back and returns counts marked `stopped`. Otherwise returns the counts once
// committed.
OnlineUpdateCounts applyOnlineUpdate(db::Connection& hospital, const QList<QStringList>& rows,
                                     const db::LogIdentity& identity, const OnlineUpdateHooks& hooks = {});

} // namespace orvex::tools
