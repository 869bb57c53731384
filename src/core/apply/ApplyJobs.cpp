#include "apply/ApplyJobs.h"

#include "Error.h"
#include "apply/RunRecord.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

namespace orvex::apply {

namespace {
QJsonObject countsJson(const ApplyCounts& counts)
{
    return QJsonObject{{"newCodes", counts.newCodes},
                       {"rateChanges", counts.rateChanges},
                       {"descriptionChanges", counts.descriptionChanges}};
}
} // namespace

jobs::JobOutcome ApplyJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    const QString output = context.outputFolder();
    if (!m_expectedRunId.isEmpty()) {
        const QString recordPath = QDir(output).filePath(QString::fromUtf16(kRunRecordName));
        const QString recorded = readRunRecord(recordPath).runId;
        if (recorded != m_expectedRunId)
            throw Error(QStringLiteral("The run %1 was not applied, and nothing was changed: %2 now records "
                                       "the run %3. Review that run before applying it.")
                            .arg(m_expectedRunId, QDir::toNativeSeparators(recordPath), recorded));
    }
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();
    m_result = applyRun(connection, output, m_log, context.now());

    jobs::JobOutcome outcome;
    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = timer.elapsed() / 1000.0;
    outcome.messages = {
        QStringLiteral("Applied run %1 in one transaction: %2.").arg(m_result.runId, m_result.counts.text())};
    outcome.summary = outcome.messages;
    outcome.json = QJsonObject{{"runId", m_result.runId},
                               {"counts", countsJson(m_result.counts)},
                               {"newPackageIds", QJsonArray::fromStringList(m_result.newPackageIds)}};
    return outcome;
}

} // namespace orvex::apply
