#pragma once

// The statements of an undo: its steps gathered into one set statement per kind of step,
// sent in the order the steps must run, each checked to change the rows it should.
#include "apply/UndoFile.h"
#include "db/RowSets.h"

#include <QSet>
#include <QString>

#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

// "tbMedPackage PackageID 204208 (package ...)": a step's row, for messages and the log.
QString undoRowName(const UndoStep& step);

class UndoWriter
{
public:
    explicit UndoWriter(db::Connection& connection) : m_connection(connection) {}

    // Adds the next step to undo; returns its log line. Throws orvex::Error when the step
    // lacks a value it puts back or names a table the tool does not write.
    QString add(const UndoStep& step);
    // Sends what is gathered.
    void finish();

private:
    struct Statement
    {
        QString sql;
        db::RowSet rows;
        int expected = 0; // rows changed; -1: not known beforehand
    };
    Statement& statement(const QString& sql, int columns);

    db::Connection& m_connection;
    std::vector<Statement> m_statements; // of the rows not touched twice, in their first order
    QSet<QString> m_touched;             // the rows they touch
};

} // namespace orvex::apply
