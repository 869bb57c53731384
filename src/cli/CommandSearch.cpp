// orvex-cli search TEXT [--limit N]: the ICD code search, best matches first.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"

#include "bridges/IcdSearchIndex.h"

namespace orvex::cli {

int runSearch(CliContext& ctx, const QStringList& args)
{
    constexpr int kDefaultLimit = 20;
    CommandLine line(QStringLiteral("search"));
    line.addArgument(QStringLiteral("TEXT"), QStringLiteral("a code prefix, or words of the description"));
    line.addValue(QStringLiteral("limit"), QStringLiteral("N"),
                  QStringLiteral("at most N matches (default 20)"));
    if (!line.parse(ctx, args))
        return 0;
    int limit = kDefaultLimit;
    if (line.isSet(QStringLiteral("limit"))) {
        bool ok = false;
        limit = line.value(QStringLiteral("limit")).toInt(&ok);
        if (!ok || limit <= 0)
            throw UsageError(QStringLiteral("search: --limit takes a whole number above 0"));
    }
    const QStringList words = line.arguments();
    if (words.isEmpty())
        throw UsageError(QStringLiteral("search needs a TEXT to find"));
    auto connection = ctx.signIn();
    const bridges::IcdSearchIndex index = bridges::IcdSearchIndex::load(*connection);
    for (const bridges::IcdCode& c : index.find(words.join(QLatin1Char(' ')), limit))
        ctx.out << oneField(c.code) << '\t' << oneField(c.description) << '\n';
    return 0;
}

} // namespace orvex::cli
