#include "apply/RunParams.h"

#include "Error.h"
#include "apply/ApplyPreflight.h"
#include "reconcile/ScanParamsJson.h"

#include <QJsonArray>

namespace orvex::apply {

namespace {

using reconcile::LookupStrategy;
using reconcile::ScanList;

// Reads the params of one record; every refusal names the record's run.
class ParamsReader
{
public:
    explicit ParamsReader(const review::RunRecord& record) : m_record(record)
    {
        if (record.params.isEmpty())
            throw Error(refusal(record) +
                        QStringLiteral("its record was written by an earlier version of Orvex, which did not "
                                       "keep the options the run was made with, so the apply cannot check "
                                       "the record against the run's lists and the database. ") +
                        runAgain(record));
    }

    QString text(const char* key) const
    {
        const QJsonValue v = value(key);
        if (!v.isString())
            damaged(QStringLiteral("\"%1\" is missing or not a text").arg(QLatin1String(key)));
        return v.toString();
    }
    bool flag(const char* key) const
    {
        const QJsonValue v = value(key);
        if (!v.isBool())
            damaged(QStringLiteral("\"%1\" is missing or not true or false").arg(QLatin1String(key)));
        return v.toBool();
    }
    int count(const QJsonValue& v, const char* key) const
    {
        const double d = v.toDouble(-1);
        if (!v.isDouble() || d < 0 || d > 1e9 || d != double(int(d)))
            damaged(QStringLiteral("\"%1\" is missing or not a count of lines").arg(QLatin1String(key)));
        return int(d);
    }
    int count(const char* key) const { return count(value(key), key); }
    QJsonArray list(const char* key) const
    {
        const QJsonValue v = value(key);
        if (!v.isArray())
            damaged(QStringLiteral("\"%1\" is missing or not a list").arg(QLatin1String(key)));
        return v.toArray();
    }
    LookupStrategy strategy() const
    {
        const QString name = text("strategy");
        if (const auto strategy = reconcile::strategyNamed(name))
            return *strategy;
        damaged(QStringLiteral("the lookup strategy \"%1\" is unknown").arg(name));
    }
    ScanList scanList() const
    {
        const QString name = text("list");
        if (const auto list = reconcile::scanListNamed(name))
            return *list;
        damaged(QStringLiteral("the kind of list \"%1\" is unknown").arg(name));
    }

    // The record's own option `what` for the apply is `inRecord`; the run was made with `inParams`.
    template <typename T> void requireSame(const char* what, const T& inRecord, const T& inParams) const
    {
        if (inRecord == inParams)
            return;
        throw Error(refusal(m_record) +
                    QStringLiteral("its record says %1 for the apply, but the run was made with %2 "
                                   "(\"params\"). ")
                        .arg(shown(what, inRecord), shown(what, inParams)) +
                    runAgain(m_record));
    }

    [[noreturn]] void damaged(const QString& what) const
    {
        throw Error(refusal(m_record) +
                    QStringLiteral("the options its record keeps (\"params\") are damaged: %1. ").arg(what) +
                    runAgain(m_record));
    }

private:
    QJsonValue value(const char* key) const { return m_record.params.value(QLatin1String(key)); }
    static QString shown(const char* what, bool value)
    {
        return QStringLiteral("\"%1\" %2")
            .arg(QLatin1String(what), value ? QStringLiteral("true") : QStringLiteral("false"));
    }
    static QString shown(const char* what, const QString& value)
    {
        return QStringLiteral("\"%1\" \"%2\"").arg(QLatin1String(what), value);
    }

    const review::RunRecord& m_record;
};

// A scan and the package rate script have none of the update run's options, which would
// change what an apply writes.
void requireNoUpdateOptions(const ParamsReader& reader, const review::RunRecord& record)
{
    reader.requireSame("verB", record.verB, false);
    reader.requireSame("updateDescriptions", record.updateDescriptions, false);
    reader.requireSame("testSuffix", record.testSuffix, QString());
}

} // namespace

UpdateRunAgain updateRunAgain(const review::RunRecord& record)
{
    const ParamsReader reader(record);
    UpdateRunAgain again;
    again.params.fileBase = reader.text("fileBase");
    again.params.verB = reader.flag("verB");
    again.params.updateDescriptions = reader.flag("updateDescriptions");
    again.params.testSuffix = reader.text("testSuffix");
    again.params.strategy = reader.strategy();
    again.params.user = record.user;
    const QJsonArray lines = reader.list("linesRead");
    if (lines.size() != 2)
        reader.damaged(QStringLiteral("\"linesRead\" does not hold the lines of both passes"));
    for (int pass = 0; pass < 2; ++pass)
        again.linesRead[pass] = reader.count(lines[pass], "linesRead");
    reader.requireSame("verB", record.verB, again.params.verB);
    reader.requireSame("updateDescriptions", record.updateDescriptions, again.params.updateDescriptions);
    reader.requireSame("testSuffix", record.testSuffix, again.params.testSuffix);
    return again;
}

ScanAgain scanAgain(const review::RunRecord& record)
{
    const ParamsReader reader(record);
    ScanAgain again;
    again.params.phMode = record.is(review::kPhScanRun);
    again.params.list = reader.scanList();
    again.params.listFile = reader.text("listFile");
    again.params.sourceFile = reader.text("sourceFile");
    again.params.groupName = reader.text("groupName");
    again.params.strategy = reader.strategy();
    again.params.user = record.user;
    again.linesRead = reader.count("linesRead");
    requireNoUpdateOptions(reader, record);
    if (again.params.list == ScanList::Given)
        throw Error(refusal(record) +
                    QStringLiteral("the scan's lines were handed to it, not read from a file, so the apply "
                                   "cannot read them again to check the record. Load the list from a file "
                                   "and run the %1 again.")
                        .arg(review::runKindTitle(record.kind)));
    return again;
}

tools::PackageRateParams packageRatesAgain(const review::RunRecord& record)
{
    const ParamsReader reader(record);
    tools::PackageRateParams params;
    params.percentText = reader.text("percent");
    params.yearText = reader.text("year");
    requireNoUpdateOptions(reader, record);
    return params;
}

void checkRunParams(const review::RunRecord& record)
{
    if (record.is(review::kUpdateRun))
        updateRunAgain(record);
    else if (record.is(review::kScanRun) || record.is(review::kPhScanRun))
        scanAgain(record);
    else if (record.is(review::kPackageRatesRun))
        packageRatesAgain(record);
}

} // namespace orvex::apply
