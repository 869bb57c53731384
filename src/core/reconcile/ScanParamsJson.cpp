#include "reconcile/ScanParamsJson.h"

namespace orvex::reconcile {

namespace {

struct ListName
{
    ScanList list;
    const char* name;
};
constexpr ListName kLists[] = {
    {ScanList::Given, "given"},
    {ScanList::SourceFile, "source-file"},
    {ScanList::UpdateResource, "update-resource"},
};

} // namespace

QString strategyName(LookupStrategy strategy)
{
    return strategy == LookupStrategy::Batched ? QStringLiteral("batched") : QStringLiteral("per-line");
}

std::optional<LookupStrategy> strategyNamed(const QString& name)
{
    for (const LookupStrategy s : {LookupStrategy::Batched, LookupStrategy::PerLine})
        if (name == strategyName(s))
            return s;
    return std::nullopt;
}

QString scanListName(ScanList list)
{
    for (const ListName& l : kLists)
        if (l.list == list)
            return QLatin1String(l.name);
    return {};
}

std::optional<ScanList> scanListNamed(const QString& name)
{
    for (const ListName& l : kLists)
        if (name == QLatin1String(l.name))
            return l.list;
    return std::nullopt;
}

QJsonObject scanParamsJson(const ScanParams& params, int linesRead)
{
    return QJsonObject{{"list", scanListName(params.list)},         {"listFile", params.listFile},
                       {"sourceFile", params.sourceFile},           {"groupName", params.groupName},
                       {"strategy", strategyName(params.strategy)}, {"linesRead", linesRead}};
}

} // namespace orvex::reconcile
