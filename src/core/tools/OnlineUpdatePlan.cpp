// What "Update DB" changes, read before anything is changed: for the question, and again
// inside the apply's transaction.
#include "Error.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/KeyedRows.h"
#include "db/Queries.h"
#include "text/Blanks.h"
#include "text/QuotedText.h"
#include "tools/OnlineUpdate.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orvex::tools {

namespace {

constexpr int kCodeColumn = 0;
constexpr int kDescriptionColumn = 1;
constexpr int kAllowAsPrimaryColumn = 5;
// More codes than this are counted, not named.
constexpr int kNamedCodes = 20;

// The first local row of a code, as the lookup found it or as the update leaves it.
struct LocalRow
{
    bool exists = false;
    QVariant description; // NULL stays NULL
    bool agree = true;    // every row of the code holds `description`
};

bool sameDescription(const QVariant& a, const QVariant& b)
{
    return a.isNull() == b.isNull() && a.toString() == b.toString();
}

// The first row of every distinct code, keyed by the code as sent: a few statements for
// the whole update instead of one per row.
QHash<QString, LocalRow> lookUpCodes(db::Connection& hospital, const QStringList& codes)
{
    QHash<QString, LocalRow> found;
    QStringList wanted;
    QSet<QString> seen;
    for (const QString& code : codes) {
        if (!seen.contains(code)) {
            seen.insert(code);
            wanted << code;
        }
    }
    for (qsizetype start = 0; start < wanted.size(); start += db::Dialect::kMaxParameters) {
        const QStringList chunk = wanted.mid(start, db::Dialect::kMaxParameters);
        QSqlQuery query = hospital.exec(db::Query(db::queries::icdByCodeBatch).bindList("codes", chunk));
        const int description = query.record().indexOf(QStringLiteral("Description"));
        while (query.next()) {
            LocalRow& row = found[chunk[db::keyPlace(query, chunk.size(), QStringLiteral("codes"))]];
            if (row.exists) {
                // Only the first row is compared; the others must hold the same to be changed alike.
                row.agree = row.agree && sameDescription(row.description, query.value(description));
                continue;
            }
            row.exists = true;
            row.description = query.value(description);
        }
    }
    return found;
}

QString cell(const QStringList& row, int column)
{
    return row.value(column);
}

// The code as the hospital table keys it: blanks around it are no part of it (a leading one
// would make a known code look new).
QString codeOf(const QStringList& row)
{
    return trimBlanks(cell(row, kCodeColumn)).toString();
}

// The flag as its integer column holds it: a whole number, or the "true"/"false" a bit column
// of SQL Server reads as; empty is NULL. Throws orvex::Error for anything else.
QVariant allowAsPrimary(const QString& text)
{
    const QString flag = trimBlanks(text).toString();
    if (flag.isEmpty())
        return QVariant();
    bool ok = false;
    const int value = flag.toInt(&ok);
    if (ok)
        return value;
    if (flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return 1;
    if (flag.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return 0;
    throw Error(
        QStringLiteral("its ALLOWASPRIMARY \"%1\" is not a whole number (0 or 1).").arg(text.left(60)));
}

QString plural(int count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

Error heldByDifferentRows(const QStringList& codes)
{
    QString named = codes.mid(0, kNamedCodes).join(QStringLiteral(", "));
    if (codes.size() > kNamedCodes)
        named += QStringLiteral(" and %1 more").arg(codes.size() - kNamedCodes);
    return Error(
        QStringLiteral("The online update was not applied, and nothing was changed: %1 %2 held by rows "
                       "of different descriptions in tbICDdiagMain (duplicate ICD codes), so which "
                       "of them the central description replaces is not known. Click \"Check "
                       "Duplicates\" on tab \"Tools\" to list them and \"Delete Duplicates\" to "
                       "remove the surplus rows.")
            .arg(codes.size() == 1 ? QStringLiteral("the ICD code") : QStringLiteral("the ICD codes"),
                 named + (codes.size() == 1 ? QStringLiteral(" is") : QStringLiteral(" are"))));
}

} // namespace

QString OnlineChange::logLine() const
{
    return kind == Kind::Add ? QStringLiteral("Added ") + code
                             : QStringLiteral("Updated ") + before + QStringLiteral(" to ") + description;
}

std::optional<OnlineUpdatePlan> planOnlineUpdate(db::Connection& hospital, const QList<QStringList>& rows,
                                                 const std::function<bool()>& keepGoing)
{
    OnlineUpdatePlan plan;
    QStringList codes;
    for (const QStringList& row : rows)
        codes << codeOf(row);
    const QHash<QString, LocalRow> found = lookUpCodes(hospital, codes);
    // Codes the collation takes as one share their state, so a row sees what an earlier
    // row of this update adds or changes.
    QHash<QString, LocalRow> state;
    QStringList differing;
    QSet<QString> named;
    for (int i = 0; i < rows.size(); ++i) {
        if (keepGoing && !keepGoing())
            return std::nullopt;
        const QStringList& row = rows[i];
        const QString code = codeOf(row);
        const QString description = cell(row, kDescriptionColumn);
        if (description.isEmpty() || code.isEmpty()) {
            ++plan.skipped;
            continue;
        }
        const QString key = db::ciAsKey(code);
        auto it = state.find(key);
        if (it == state.end())
            it = state.insert(key, found.value(code));
        if (!it->exists) {
            QVariant flag;
            try {
                flag = allowAsPrimary(cell(row, kAllowAsPrimaryColumn));
            } catch (const Error& e) {
                throw Error(e.kind(),
                            QStringLiteral("Row %1 of the update (code \"%2\") could not be applied, so "
                                           "nothing was changed: %3")
                                .arg(i + 1)
                                .arg(code, e.message()));
            }
            plan.changes.push_back({OnlineChange::Kind::Add, i, code, description, flag, QString()});
            *it = {true, description, true};
            ++plan.added;
        } else if (!it->description.isNull() && it->description.toString() != description) {
            if (!it->agree) {
                if (!named.contains(key))
                    differing << text::quotedForMessage(code);
                named.insert(key);
                continue;
            }
            plan.changes.push_back(
                {OnlineChange::Kind::Update, i, code, description, QVariant(), it->description.toString()});
            it->description = description;
            ++plan.updated;
        }
    }
    if (!differing.isEmpty())
        throw heldByDifferentRows(differing);
    return plan;
}

QString onlineUpdateQuestion(const OnlineUpdatePlan& plan, const QString& centralServer)
{
    QString text = QStringLiteral("Update tbICDdiagMain from the central server %1?\n\n"
                                  "It adds %2 and replaces the description of %3.")
                       .arg(centralServer, plural(plan.added, "new code", "new codes"),
                            plural(plan.updated, "code", "codes"));
    if (plan.skipped > 0)
        text += QStringLiteral(" %1 without a code or a description %2 skipped.")
                    .arg(plural(plan.skipped, "row", "rows"),
                         plan.skipped == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    return text +
           QStringLiteral("\n\nAll of it is done in one transaction, or nothing. An undo file is written, "
                          "and \"Undo last apply\" on tab \"Update 2024\" takes the update back.");
}

} // namespace orvex::tools
