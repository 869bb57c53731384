#include "jobs/Vocabulary.h"

#include <algorithm>

namespace orvex::jobs {

namespace {
// The JSON key is the words' name in camelCase: one switch per enum holds both.
struct Naming
{
    const char* words;
    const char* key;
};

Naming naming(Counter counter)
{
    switch (counter) {
    case Counter::LinesRead:
        return {"Lines read", "linesRead"};
    case Counter::NewCode:
        return {"New Code and Description", "newCode"};
    case Counter::SameCodeAndDescription:
        return {"Same Code and Description", "sameCodeAndDescription"};
    case Counter::SameCodeDifferentDescription:
        return {"Same Code different Description", "sameCodeDifferentDescription"};
    case Counter::SameDescriptionDifferentCode:
        return {"Same Description different Code", "sameDescriptionDifferentCode"};
    case Counter::PhNewCode:
        return {"Philhealth New Code", "phNewCode"};
    case Counter::PhSameDescription:
        return {"Philhealth Same Description", "phSameDescription"};
    case Counter::PhSameCodeDifferentDescription:
        return {"Philhealth Same Code different Description", "phSameCodeDifferentDescription"};
    case Counter::PhNewRate:
        return {"Philhealth New Rate", "phNewRate"};
    }
    return {"", ""};
}

Naming naming(Caption caption)
{
    switch (caption) {
    case Caption::GroupName:
        return {"Group", "groupName"};
    case Caption::PackageId:
        return {"Package ID", "packageId"};
    case Caption::SourceFile:
        return {"Source File", "sourceFile"};
    }
    return {"", ""};
}

Naming naming(ResultList list)
{
    switch (list) {
    case ResultList::NewCode:
        return {"New Code", "newCode"};
    case ResultList::SameCodeAndDescription:
        return {"Same Code and Description", "sameCodeAndDescription"};
    case ResultList::SameCodeDifferentDescription:
        return {"Same Code different Description", "sameCodeDifferentDescription"};
    case ResultList::SameDescriptionDifferentCode:
        return {"Same Description different Code", "sameDescriptionDifferentCode"};
    case ResultList::PhNewCode:
        return {"Philhealth New Code", "phNewCode"};
    case ResultList::PhSameCodeDifferentDescription:
        return {"Philhealth Same Code different Description", "phSameCodeDifferentDescription"};
    }
    return {"", ""};
}
} // namespace

QString words(Counter counter)
{
    return QString::fromLatin1(naming(counter).words);
}

QString words(Caption caption)
{
    return QString::fromLatin1(naming(caption).words);
}

QString words(ResultList list)
{
    return QString::fromLatin1(naming(list).words);
}

QString jsonKey(Counter counter)
{
    return QString::fromLatin1(naming(counter).key);
}

QString jsonKey(Caption caption)
{
    return QString::fromLatin1(naming(caption).key);
}

QString jsonKey(ResultList list)
{
    return QString::fromLatin1(naming(list).key);
}

QString summaryLine(Counter counter, int count)
{
    static const qsizetype width = [] {
        qsizetype widest = 0;
        for (const Counter c : kCounters)
            widest = std::max(widest, words(c).size());
        return widest + 1; // a blank before the widest too, as the scan's summary always had
    }();
    return words(counter).rightJustified(width) + QStringLiteral(" : ") + QString::number(count);
}

bool hasSecondColumn(ResultList list)
{
    return list != ResultList::NewCode && list != ResultList::PhNewCode;
}

} // namespace orvex::jobs
