#pragma once

#include "db/LogIdentity.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace orvex::db {
class Connection;
}

namespace orvex::bridges {

// The ICD tables of Build_FILE that the table browser opens, in the order of the buttons.
const QStringList& browsableTables();

// The table's name as the statements spell it, for `name` in any letter case. Throws
// orvex::Error for any other name: a table name never reaches a statement unchecked.
QString browsableTable(const QString& name);

struct BrowseRow
{
    QVariant code; // NULL stays NULL
    QVariant description;
    bool operator==(const BrowseRow&) const = default;
};

// The data side of the table browser: rows "code, Description" found by a code prefix or
// by words of the description, a page at a time in code order, and the two changes it
// allows (edit and add; never delete), each in its own transaction with an activity-log
// line naming the table, the code and the old and new text.
// The question before an edit is saved: the table, and the old and new value of what changed.
QString editQuestion(const QString& table, const BrowseRow& before, const BrowseRow& after);
// The question before a row is added under a code the table holds already (`existing`).
QString duplicateCodeQuestion(const QString& table, const BrowseRow& row, const QList<BrowseRow>& existing);

class IcdTableBrowse
{
public:
    // Throws orvex::Error for a table that is not browsable.
    IcdTableBrowse(db::Connection& connection, const QString& table, db::LogIdentity identity);

    const QString& table() const { return m_table; }

    // The rows to list: those whose code starts with `text` or whose description holds
    // each of its words (LIKE wildcards in it count as plain characters); every row when
    // it is blank.
    void setFind(const QString& text);

    // Rows [offset, offset + count) of the found rows. Throws orvex::Error.
    QList<BrowseRow> page(int offset, int count);
    // How many rows the find lists. Throws orvex::Error.
    int count();

    // Changes the first row equal to `before` into `after`; throws orvex::Error (nothing
    // changed) when the database refuses or the row is no longer there.
    void update(const BrowseRow& before, const BrowseRow& after);
    void add(const BrowseRow& row);

    // The rows whose code is `code` as the table's collation compares it. Throws orvex::Error.
    QList<BrowseRow> rowsWithCode(const QString& code);

private:
    db::Connection& m_connection;
    QString m_table;
    db::LogIdentity m_identity;
    bool m_finding = false; // else every row
    QString m_findCode;     // LIKE patterns
    QStringList m_findWords;
};

} // namespace orvex::bridges
