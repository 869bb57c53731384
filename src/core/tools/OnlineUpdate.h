#pragma once

#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "jobs/Job.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

// The online ICD update: the central server's update table is read whole, shown, and
// then applied to the hospital's tbICDdiagMain: missing codes are added, differing
// descriptions replaced, nothing is deleted. The apply of the rows (apply/OnlineUpdateJob.h)
// writes an undo file, so that "Undo last apply" takes it back as it takes back the apply of a run.
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

// One change "Update DB" makes, taken from row `row` (from 0) of the update.
struct OnlineChange
{
    enum class Kind { Add, Update };
    Kind kind = Kind::Add;
    int row = 0;
    QString code;            // as the update gives it, without blanks around it
    QString description;     // the central description
    QVariant allowAsPrimary; // Add: the flag as a number, or NULL
    QString before;          // Update: the local description it replaces

    QString logLine() const; // "Added <code>" or "Updated <before> to <description>"
    bool operator==(const OnlineChange&) const = default;
};

// What "Update DB" would do with the rows, read without changing anything.
struct OnlineUpdatePlan
{
    std::vector<OnlineChange> changes; // in the order of the rows
    int added = 0;
    int updated = 0;
    int skipped = 0; // rows without a description or without a code
};

// Reads what `rows` (cells by position, as the grid shows them) would change in
// tbICDdiagMain. A row without a description, or without a code, is skipped. A code is
// matched as the database's collation says; its first row is compared, a NULL description
// is left alone, and a changed description is given to every row of the code. Throws
// orvex::Error naming the row whose flag is no number, and naming the codes to change that
// are held by rows of different descriptions (which of them the update replaces, and what
// an undo puts back, would not be known). `keepGoing`, when given, is asked before each
// row: false ends the reading (nullopt).
std::optional<OnlineUpdatePlan> planOnlineUpdate(db::Connection& hospital, const QList<QStringList>& rows,
                                                 const std::function<bool()>& keepGoing = {});

// The question before "Update DB" changes anything: the counts, the central server the
// rows came from, and the way back.
QString onlineUpdateQuestion(const OnlineUpdatePlan& plan, const QString& centralServer);

struct OnlineUpdateCounts
{
    int added = 0;
    int updated = 0;
    int skipped = 0;      // rows without a description or without a code
    QStringList changes;  // the activity-log lines written, in order
    bool stopped = false; // a stop request rolled everything back: nothing was changed
    QString runId;        // of the undo file; empty when nothing was changed
    QString undoFile;     // the "undo <date time>.sql" that takes the update back, or empty
};

// "Done." with the numbers added and updated.
QString closingMessage(const OnlineUpdateCounts& counts);

// "Check Online": reads the central server's whole update table; result() then holds it
// for the grid (and the outcome's JSON as columns and rows).
class CheckOnlineJob final : public jobs::JobWithResult<CentralUpdateTable>
{
public:
    explicit CheckOnlineJob(db::ConnectionSettings central) : m_central(std::move(central)) {}
    QString title() const override { return QStringLiteral("check online"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    db::ConnectionSettings m_central;
};

// What "Update DB" would change, read on the job's connection for the question; the
// refusals of planOnlineUpdate are its failures.
class OnlineUpdatePlanJob final : public jobs::JobWithResult<OnlineUpdatePlan>
{
public:
    explicit OnlineUpdatePlanJob(QList<QStringList> rows) : m_rows(std::move(rows)) {}
    QString title() const override { return QStringLiteral("online update"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    QList<QStringList> m_rows;
};

} // namespace orvex::tools
