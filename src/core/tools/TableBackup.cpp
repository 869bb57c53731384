#include "tools/TableBackup.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Queries.h"
#include "db/Transaction.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlQuery>

#include <optional>

namespace orvex::tools {

namespace {

constexpr qsizetype kLongestSuffix = 64;

const QString kPackages = QStringLiteral("tbMedPackage");
const QString kCaseRates = QStringLiteral("tbMed_MedicalCaseRates");
const QString kProcedures = QStringLiteral("tbMed_Procedures");
const QString kNewPackages = QStringLiteral("tbMedPackage_NEW");

struct Step
{
    enum class Kind { UseMedicare, LiveColumn, LiveIndex, Copy, CopyIndex };
    Kind kind;
    QString table; // the live table
    QString index = {};
    QString column = {};
};

struct IndexOn
{
    const char* index;
    const char* column;
    bool onLiveTable;
};

// A copy, then each of its indexes, each followed by the same index on the live table
// where that gets one too.
void addCopy(QList<Step>& steps, const QString& table, std::initializer_list<IndexOn> indexes)
{
    steps.append({Step::Kind::Copy, table});
    for (const IndexOn& i : indexes) {
        const QString index = QString::fromLatin1(i.index);
        const QString column = QString::fromLatin1(i.column);
        steps.append({Step::Kind::CopyIndex, table, index, column});
        if (i.onLiveTable)
            steps.append({Step::Kind::LiveIndex, table, index, column});
    }
}

// The statements in the order the hospital's staff know them.
QList<Step> backupSteps(bool verB)
{
    QList<Step> steps{{Step::Kind::UseMedicare, {}}};
    for (const QString& table : {kPackages, kCaseRates, kProcedures})
        steps.append({Step::Kind::LiveColumn, table});
    addCopy(steps, kPackages,
            {{"by_CaseType", "CaseType", false},
             {"by_Package", "Package", false},
             {"by_PackageID", "PackageID", false}});
    addCopy(steps, kCaseRates, {{"by_ICDCode", "ICDCode", true}, {"by_PackageID", "PackageID", true}});
    addCopy(steps, kProcedures, {{"by_RVSCODE", "RVSCODE", true}, {"by_PackageID", "PackageID", true}});
    steps.append({Step::Kind::LiveIndex, kPackages, QStringLiteral("by_Package"), QStringLiteral("Package")});
    if (verB)
        addCopy(steps, kNewPackages,
                {{"by_CODE", "CODE", true},
                 {"by_PackageID", "PackageID", true},
                 {"by_Package", "Package", true}});
    return steps;
}

// One statement on its own; several (SQLite's forms) all or nothing.
void send(db::Connection& connection, const QStringList& statements)
{
    if (statements.size() == 1) {
        connection.execDirect(statements.first());
        return;
    }
    db::Transaction transaction(connection);
    for (const QString& statement : statements)
        connection.execDirect(statement);
    transaction.commit();
}

// The texts of a backup statement for `product`: they carry no values.
QStringList textsOf(const db::Query& query, db::Product product)
{
    QStringList texts;
    for (const db::RenderedStatement& statement : query.render(product))
        texts << statement.sql;
    return texts;
}

// The start of a table's definition as SQLite keeps it: "CREATE TABLE" and the name as
// written (bare, or quoted in one of SQLite's four ways).
const QRegularExpression kCreateTableName(
    QStringLiteral(
        R"(^\s*CREATE\s+TABLE\s+("(?:[^"]|"")*"|\[[^\]]*\]|`(?:[^`]|``)*`|'(?:[^']|'')*'|[^\s(]+))"),
    QRegularExpression::CaseInsensitiveOption);

// SQLite: the copy made from the live table's own definition, so that its columns keep
// their types and collations; a definition of another shape gives the columns without
// their declarations.
QString sqliteCopyDefinition(const QString& table, const QString& copy, const QString& definition)
{
    const QRegularExpressionMatch name = kCreateTableName.match(definition);
    if (name.hasMatch())
        return QStringLiteral("CREATE TABLE Medicare.%1").arg(copy) + definition.mid(name.capturedEnd());
    return QStringLiteral("create table Medicare.%1 as select * from Medicare.%2 where 0").arg(copy, table);
}

qint64 copyTable(db::Connection& connection, const QString& table, const QString& copy)
{
    QStringList statements;
    if (connection.sends(db::queries::backupTableDefinition)) {
        QSqlQuery q = connection.exec(db::Query(db::queries::backupTableDefinition).bind("table", table));
        if (!q.next())
            throw Error(QStringLiteral("the table Medicare.%1 does not exist.").arg(table));
        statements << sqliteCopyDefinition(table, copy, q.value(0).toString());
    }
    statements << textsOf(
        db::Query(db::queries::backupCopyRows).bindName("table", table).bindName("copy", copy),
        connection.product());
    send(connection, statements);
    QSqlQuery count = connection.exec(db::Query(db::queries::backupRowCount).bindName("table", copy));
    return count.next() ? count.value(0).toLongLong() : 0;
}

// The database's reason for a failed statement, without the statement: the backup's
// messages name the copy or index instead.
QString reasonOf(const Error& e)
{
    const QString& message = e.message();
    const qsizetype statement = message.lastIndexOf(QLatin1String(". Statement: "));
    return statement < 0 ? message : message.left(statement + 1);
}

QString rowsText(qint64 rows)
{
    return rows == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(rows);
}

db::Query createIndex(const QString& table, const QString& index, const QString& column)
{
    return db::Query(db::queries::backupCreateIndex)
        .bindName("table", table)
        .bindName("index", index)
        .bindName("column", column);
}

class BackupRun
{
public:
    BackupRun(db::Connection& connection, const QString& suffix) : m_connection(connection), m_suffix(suffix)
    {
    }

    void run(const Step& step)
    {
        const db::Product product = m_connection.product();
        const QString copy = step.table + m_suffix;
        switch (step.kind) {
        case Step::Kind::UseMedicare:
            for (const QString& statement : textsOf(db::queries::backupUseMedicare, product))
                attempt([&] { send(m_connection, {statement}); }, {}, QStringLiteral("USE MEDICARE"), false);
            break;
        case Step::Kind::LiveColumn:
            if (attempt(
                    [&] {
                        send(m_connection,
                             textsOf(db::Query(db::queries::backupAddIdColumn).bindName("table", step.table),
                                     product));
                    },
                    QStringLiteral("ID column added to %1").arg(step.table),
                    QStringLiteral("ID column of %1").arg(step.table), false))
                m_result.liveAdded.append(QStringLiteral("the ID column of %1").arg(step.table));
            break;
        case Step::Kind::LiveIndex:
            if (addIndex(step, step.table, false))
                m_result.liveAdded.append(QStringLiteral("the index %1 of %2").arg(step.index, step.table));
            break;
        case Step::Kind::Copy:
            // A copy of that name is an earlier backup: it is kept as it is, and said so.
            if (const std::optional<qint64> rows = existingRows(copy)) {
                m_result.existing.append({step.table, copy, *rows});
                m_copyMade = false;
                break;
            }
            try {
                m_result.copies.append({step.table, copy, copyTable(m_connection, step.table, copy)});
                m_copyMade = true;
            } catch (const Error& e) {
                m_copyMade = false;
                m_result.notMadeCopies.append(copy);
                m_result.notMade.append(
                    QStringLiteral("The copy %1 of %2 was not made: %3").arg(copy, step.table, reasonOf(e)));
            }
            break;
        case Step::Kind::CopyIndex:
            // On a copy that was not made the index statement meets the table already of that
            // name, or none: its failure says nothing new.
            addIndex(step, copy, m_copyMade);
            break;
        }
    }

    TableBackupResult& result() { return m_result; }

private:
    // The rows of the copy `copy` when it exists already.
    std::optional<qint64> existingRows(const QString& copy)
    {
        // A check that fails leaves it to the copy statement, whose failure is reported.
        try {
            QSqlQuery exists =
                m_connection.exec(db::Query(db::queries::backupTableExists).bind("name", copy));
            if (!exists.next() || exists.value(0).toLongLong() == 0)
                return std::nullopt;
            QSqlQuery count =
                m_connection.exec(db::Query(db::queries::backupRowCount).bindName("table", copy));
            return count.next() ? count.value(0).toLongLong() : 0;
        } catch (const Error&) {
            return std::nullopt;
        }
    }

    bool addIndex(const Step& step, const QString& table, bool failureMatters)
    {
        return attempt(
            [&] {
                send(m_connection,
                     textsOf(createIndex(table, step.index, step.column), m_connection.product()));
            },
            QStringLiteral("Index %1 added to %2").arg(step.index, table),
            QStringLiteral("Index %1 on %2").arg(step.index, table), failureMatters);
    }

    // True when the statements ran.
    template <typename Fn>
    bool attempt(Fn statements, const QString& done, const QString& what, bool failureMatters)
    {
        try {
            statements();
            if (!done.isEmpty())
                m_result.added.append(done);
            return true;
        } catch (const Error& e) {
            if (failureMatters)
                m_result.notMade.append(QStringLiteral("%1 was not made: %2").arg(what, reasonOf(e)));
            else
                m_result.passedOver.append(QStringLiteral("%1: %2").arg(what, e.message()));
            return false;
        }
    }

    db::Connection& m_connection;
    QString m_suffix;
    TableBackupResult m_result;
    bool m_copyMade = false;
};

} // namespace

bool isValidCopySuffix(const QString& suffix)
{
    if (suffix.isEmpty() || suffix.size() > kLongestSuffix)
        return false;
    for (const QChar c : suffix) {
        const char16_t u = c.unicode();
        const bool ok =
            (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_';
        if (!ok)
            return false;
    }
    return true;
}

QString copySuffixProblem(const QString& suffix)
{
    if (isValidCopySuffix(suffix))
        return QString();
    const QString rule = QStringLiteral("A copy suffix is 1 to %1 letters (A to Z), digits or underscores, "
                                        "for example %2. No table was copied.")
                             .arg(kLongestSuffix)
                             .arg(kDefaultCopySuffix);
    if (suffix.isEmpty())
        return QStringLiteral("The copy suffix is empty. ") + rule;
    return QStringLiteral("The copy suffix %1 cannot be used: it is joined to the table names. ")
               .arg(quotedForMessage(suffix)) +
           rule;
}

QString backupMessage(const QString& suffix, const TableBackupResult& result)
{
    QStringList lines;
    auto listCopies = [&lines](const QList<TableCopy>& copies) {
        for (const TableCopy& c : copies)
            lines << QStringLiteral("%1: %2").arg(c.copy, rowsText(c.rows));
    };
    if (!result.copies.isEmpty()) {
        lines << QStringLiteral("Done. %1 made with the suffix %2:")
                     .arg(result.copies.size() == 1 ? QStringLiteral("1 copy")
                                                    : QStringLiteral("%1 copies").arg(result.copies.size()),
                          suffix);
        listCopies(result.copies);
    } else {
        lines << QStringLiteral("No copy was made with the suffix %1.").arg(suffix);
    }
    if (!result.existing.isEmpty()) {
        if (lines.size() > 1)
            lines << QString();
        const bool one = result.existing.size() == 1;
        lines << QStringLiteral("%1 already with this suffix, from an earlier backup, and %2 kept as %3 "
                                "(type another suffix for new copies):")
                     .arg(one ? QStringLiteral("This copy exists") : QStringLiteral("These copies exist"),
                          one ? QStringLiteral("was") : QStringLiteral("were"),
                          one ? QStringLiteral("it was") : QStringLiteral("they were"));
        listCopies(result.existing);
    }
    if (!result.liveAdded.isEmpty())
        lines << QString()
              << QStringLiteral("Added to the live tables: %1.")
                     .arg(result.liveAdded.join(QStringLiteral(", ")));
    if (!result.notMade.isEmpty())
        lines << QString() << QStringLiteral("These were not made:") << result.notMade;
    return lines.join(QLatin1Char('\n'));
}

QString backupLogLine(const QString& suffix, const TableBackupResult& result)
{
    QStringList copies;
    for (const TableCopy& c : result.copies)
        copies.append(QStringLiteral("%1 %2 rows").arg(c.copy).arg(c.rows));
    QString line = QStringLiteral("Table backup with suffix %1: %2")
                       .arg(suffix, copies.isEmpty() ? QStringLiteral("no copy made")
                                                     : copies.join(QStringLiteral(", ")));
    if (!result.existing.isEmpty()) {
        QStringList existing;
        for (const TableCopy& c : result.existing)
            existing.append(c.copy);
        line += QStringLiteral("; there already: ") + existing.join(QStringLiteral(", "));
    }
    if (!result.notMadeCopies.isEmpty())
        line += QStringLiteral("; not made: ") + result.notMadeCopies.join(QStringLiteral(", "));
    if (result.stopped)
        line += QStringLiteral("; stopped before the end");
    return line;
}

QStringList backupStatementTexts(db::Product product, const QString& suffix, bool verB)
{
    QStringList texts;
    for (const Step& step : backupSteps(verB)) {
        const QString copy = step.table + suffix;
        switch (step.kind) {
        case Step::Kind::UseMedicare:
            texts += textsOf(db::queries::backupUseMedicare, product);
            break;
        case Step::Kind::LiveColumn:
            texts +=
                textsOf(db::Query(db::queries::backupAddIdColumn).bindName("table", step.table), product);
            break;
        case Step::Kind::LiveIndex:
            texts += textsOf(createIndex(step.table, step.index, step.column), product);
            break;
        case Step::Kind::Copy:
            texts += textsOf(
                db::Query(db::queries::backupCopyRows).bindName("table", step.table).bindName("copy", copy),
                product);
            break;
        case Step::Kind::CopyIndex:
            texts += textsOf(createIndex(copy, step.index, step.column), product);
            break;
        }
    }
    return texts;
}

jobs::JobOutcome TableBackupJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    if (const QString problem = copySuffixProblem(m_params.suffix); !problem.isEmpty())
        throw Error(problem); // before the database is touched
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();
    backUp(connection, context, progress);
    jobs::JobOutcome done = outcome();
    done.statementsSent = connection.statementsSent() - statementsBefore;
    return done;
}

void TableBackupJob::backUp(db::Connection& connection, const jobs::JobContext& context,
                            const jobs::ProgressFn& progress)
{
    const QList<Step> steps = backupSteps(m_params.verB);
    BackupRun run(connection, m_params.suffix);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (!shouldContinue()) {
            run.result().stopped = true;
            break;
        }
        run.run(steps[i]);
        if (progress) {
            jobs::JobProgress step;
            step.linesDone = int(i + 1);
            step.lineCount = int(steps.size());
            progress(std::move(step));
        }
    }
    m_result = std::move(run.result());
    try {
        db::ActivityLog(connection)
            .append(m_params.log.user, m_params.log.workstation, backupLogLine(m_params.suffix, m_result),
                    context.now());
    } catch (const Error& e) {
        m_result.notMade.append(
            QStringLiteral("The activity-log line of this backup was not written: %1").arg(e.message()));
    }
}

jobs::JobOutcome TableBackupJob::outcome() const
{
    jobs::JobOutcome outcome;
    outcome.failures = m_result.notMade;
    for (const TableCopy& c : m_result.existing)
        outcome.failures.append(QStringLiteral("The copy %1 of %2 exists already (%3) and was not refreshed.")
                                    .arg(c.copy, c.table, rowsText(c.rows)));
    outcome.summary = m_result.added;
    QJsonArray copies;
    for (const TableCopy& c : std::as_const(m_result.copies)) {
        outcome.summary.append(QStringLiteral("Copy %1: %2 rows").arg(c.copy).arg(c.rows));
        copies.append(QJsonObject{{"table", c.table}, {"copy", c.copy}, {"rows", c.rows}});
    }
    QJsonArray existing;
    for (const TableCopy& c : std::as_const(m_result.existing))
        existing.append(QJsonObject{{"table", c.table}, {"copy", c.copy}, {"rows", c.rows}});
    if (m_result.stopped) {
        outcome.ending = stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                     : jobs::JobEnding::Stopped;
    } else {
        outcome.messages = {backupMessage(m_params.suffix, m_result)};
        if (outcome.failures.isEmpty())
            outcome.summary.append(QStringLiteral("Done.")); // the copies are listed above it
    }
    outcome.json = QJsonObject{{"suffix", m_params.suffix},
                               {"copies", copies},
                               {"existing", existing},
                               {"added", QJsonArray::fromStringList(m_result.added)},
                               {"notMade", QJsonArray::fromStringList(m_result.notMade)},
                               {"passedOver", QJsonArray::fromStringList(m_result.passedOver)},
                               {"messages", QJsonArray::fromStringList(outcome.messages)}};
    return outcome;
}

} // namespace orvex::tools
