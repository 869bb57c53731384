#pragma once

// What the apply of the changes works with: the check that each change's rows still hold
// what the run read, with the rows it will overwrite, and the writer that gathers the
// changes of each kind into one statement with their log lines and undo steps.
#include "apply/UndoFile.h"
#include "change/Change.h"
#include "db/RowSets.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

class RowReads;

// What a change will overwrite: the values of the row the run read, every row of the key
// the statement changes (each with its own values, for the undo), and how many rows that is.
struct Overwritten
{
    QVariantMap values;
    std::vector<RowImage> rows;
    int rowCount = 0;
};

// What the rows hold now, when it differs from what the run read; "" when they still hold
// that. `before` takes what the change will overwrite. Reads through `reads`, which may
// answer "no rows" for a key it has not read yet (see RowReads::complete).
QString drift(RowReads& reads, const change::Change& c, Overwritten& before);

// The largest PackageID of `table` as a number (0 when there is none). Throws orvex::Error
// when one is not a whole number.
qint64 largestPackageId(db::Connection& connection, const QString& table);
// tbMedPackage_NEW's largest PackageID, which the script gives every new row of it. Throws
// orvex::Error when the table holds none.
QString largestNewStylePackageId(db::Connection& connection);

// Gathers the changes, each kind into the rows of its statement; send() then writes them,
// the inserts first, each statement checked to change the rows the checks found.
class ChangeWriter
{
public:
    explicit ChangeWriter(db::Connection& connection) : m_connection(connection) {}

    // Adds a change; returns its log line. Its undo steps go to `undo`, in the order made.
    QString add(const change::Change& c, const Overwritten& before, std::vector<UndoStep>& undo);
    void send();

    const QStringList& newPackageIds() const { return m_newPackageIds; }

private:
    struct Statement
    {
        QString sql;
        bool insert = false;
        db::RowSet rows;
        int expected = 0; // rows an update changes
        QString what;     // for a message: "rates of packages in tbMedPackage"
    };
    Statement& statement(const QString& sql, int columns, bool insert, const QString& what);
    QString nextPackageId(const change::TableRef& packages);
    QString insertPackage(const change::TableRef& packages, const QString& name, const change::Rates& rates,
                          const QString& caseType, std::vector<UndoStep>& undo);

    db::Connection& m_connection;
    std::vector<Statement> m_statements;
    QHash<QString, qint64> m_lastPackageId;  // by package table, read at its first new package
    QHash<QString, QString> m_groupPackages; // CI_AS key of a group: the package inserted for it
    QSet<QString> m_newStyleCodes;           // CI_AS keys of the codes given a new-style row
    QString m_newStylePackageId;             // read once, at the first new-style row
    QStringList m_newPackageIds;
};

} // namespace orvex::apply
