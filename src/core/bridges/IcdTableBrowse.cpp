#include "bridges/IcdTableBrowse.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "db/Transaction.h"

#include <QSqlQuery>

namespace orvex::bridges {

namespace {

// More words than this narrow nothing further and only lengthen the statement.
constexpr int kMaxFindWords = 8;

// A LIKE pattern that takes `text` literally ("!" escapes; "[" matters to SQL Server).
QString likeLiteral(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('['))
            escaped += QLatin1Char('!');
        escaped += c;
    }
    return escaped;
}

QString shown(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("NULL") : QLatin1Char('"') + value.toString() + QLatin1Char('"');
}

// A bound text value that stays NULL when it is NULL.
QVariant bound(const QVariant& value)
{
    return value.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(value.toString());
}

// More existing rows than this are counted, not listed.
constexpr int kRowsShown = 5;

} // namespace

QString editQuestion(const QString& table, const BrowseRow& before, const BrowseRow& after)
{
    QStringList lines{QStringLiteral("Save this change to %1?").arg(table), QString()};
    if (before.code == after.code)
        lines << QStringLiteral("Code: %1").arg(shown(before.code));
    else
        lines << QStringLiteral("Code was: %1").arg(shown(before.code))
              << QStringLiteral("Code becomes: %1").arg(shown(after.code));
    if (before.description == after.description)
        lines << QStringLiteral("Description: %1").arg(shown(before.description));
    else
        lines << QStringLiteral("Description was: %1").arg(shown(before.description))
              << QStringLiteral("Description becomes: %1").arg(shown(after.description));
    return lines.join(QLatin1Char('\n'));
}

QString duplicateCodeQuestion(const QString& table, const BrowseRow& row, const QList<BrowseRow>& existing)
{
    QStringList lines{QStringLiteral("The code %1 is in %2 already (%3):")
                          .arg(shown(row.code), table,
                               existing.size() == 1 ? QStringLiteral("1 row")
                                                    : QStringLiteral("%1 rows").arg(existing.size()))};
    for (qsizetype i = 0; i < existing.size() && i < kRowsShown; ++i)
        lines << QStringLiteral("%1 %2").arg(shown(existing[i].code), shown(existing[i].description));
    if (existing.size() > kRowsShown)
        lines << QStringLiteral("and %1 more").arg(existing.size() - kRowsShown);
    lines << QString()
          << QStringLiteral("Add a second row %1 %2 with the same code?")
                 .arg(shown(row.code), shown(row.description));
    return lines.join(QLatin1Char('\n'));
}

const QStringList& browsableTables()
{
    static const QStringList tables{QStringLiteral("tbICDdiagMain"), QStringLiteral("tbIcdDiagChapter"),
                                    QStringLiteral("tbIcdDiagSubChapter"), QStringLiteral("tbIcdDiag3Code")};
    return tables;
}

QString browsableTable(const QString& name)
{
    for (const QString& table : browsableTables())
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    throw Error(QStringLiteral("%1 is not one of the ICD tables the browser opens (%2).")
                    .arg(name, browsableTables().join(QStringLiteral(", "))));
}

IcdTableBrowse::IcdTableBrowse(db::Connection& connection, const QString& table, db::LogIdentity identity)
    : m_connection(connection), m_table(browsableTable(table)), m_identity(std::move(identity))
{
}

void IcdTableBrowse::setFind(const QString& text)
{
    m_findWords.clear();
    const QString trimmed = text.trimmed();
    m_finding = !trimmed.isEmpty();
    if (!m_finding) {
        return;
    }
    QStringList words = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() > kMaxFindWords)
        words.resize(kMaxFindWords);
    m_findCode = likeLiteral(trimmed) + QLatin1Char('%');
    for (const QString& word : words)
        m_findWords << QLatin1Char('%') + likeLiteral(word) + QLatin1Char('%');
}

QList<BrowseRow> IcdTableBrowse::page(int offset, int count)
{
    db::Query browse(m_finding ? db::queries::browseFind : db::queries::browseAll);
    if (m_finding)
        browse.bind("code", m_findCode).bindList("words", m_findWords);
    QSqlQuery query =
        m_connection.exec(browse.bindName("table", m_table).bind("offset", offset).bind("count", count));
    QList<BrowseRow> rows;
    while (query.next())
        rows.append({query.value(0), query.value(1)});
    return rows;
}

QList<BrowseRow> IcdTableBrowse::rowsWithCode(const QString& code)
{
    QSqlQuery query =
        m_connection.exec(db::Query(db::queries::browseByCode).bindName("table", m_table).bind("code", code));
    QList<BrowseRow> rows;
    while (query.next())
        rows.append({query.value(0), query.value(1)});
    return rows;
}

int IcdTableBrowse::count()
{
    db::Query count(m_finding ? db::queries::browseCountFind : db::queries::browseCountAll);
    if (m_finding)
        count.bind("code", m_findCode).bindList("words", m_findWords);
    QSqlQuery query = m_connection.exec(count.bindName("table", m_table));
    return query.next() ? query.value(0).toInt() : 0;
}

void IcdTableBrowse::update(const BrowseRow& before, const BrowseRow& after)
{
    db::Transaction transaction(m_connection);
    QSqlQuery query = m_connection.exec(db::Query(db::queries::browseUpdate)
                                            .bindName("table", m_table)
                                            .bind("code", bound(after.code))
                                            .bind("description", bound(after.description))
                                            .bind("oldCode", bound(before.code))
                                            .bind("oldDescription", bound(before.description)));
    if (query.numRowsAffected() != 1)
        throw Error(
            QStringLiteral("The row %1 %2 of %3 is no longer there (changed by someone else?): nothing "
                           "was saved. Find it again.")
                .arg(shown(before.code), shown(before.description), m_table));
    db::ActivityLog(m_connection)
        .append(m_identity.user, m_identity.workstation,
                QStringLiteral("Edited %1 row %2 %3 to %4 %5")
                    .arg(m_table, shown(before.code), shown(before.description), shown(after.code),
                         shown(after.description)));
    transaction.commit();
}

void IcdTableBrowse::add(const BrowseRow& row)
{
    db::Transaction transaction(m_connection);
    m_connection.exec(db::Query(db::queries::browseInsert)
                          .bindName("table", m_table)
                          .bind("code", bound(row.code))
                          .bind("description", bound(row.description)));
    db::ActivityLog(m_connection)
        .append(
            m_identity.user, m_identity.workstation,
            QStringLiteral("Added to %1 row %2 %3").arg(m_table, shown(row.code), shown(row.description)));
    transaction.commit();
}

} // namespace orvex::bridges
