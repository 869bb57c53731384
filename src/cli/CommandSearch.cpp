// orvex-cli search TEXT [--limit N]: the ICD code search, best matches first.
#include "cli/CliContext.h"

#include "bridges/IcdSearchIndex.h"

namespace orvex::cli {

int runSearch(CliContext& ctx, const QStringList& args)
{
    constexpr int kDefaultLimit = 20;
    int limit = kDefaultLimit;
    QStringList words;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--limit")) {
            bool ok = false;
            if (i + 1 < args.size())
                limit = args[++i].toInt(&ok);
            if (!ok || limit <= 0) {
                ctx.err << "orvex-cli: usage: search TEXT [--limit N]   (N a whole number above 0)\n";
                ctx.err.flush();
                return 2;
            }
        } else {
            words << args[i];
        }
    }
    if (words.isEmpty()) {
        ctx.err << "orvex-cli: usage: search TEXT [--limit N]\n";
        ctx.err.flush();
        return 2;
    }
    auto connection = ctx.signIn();
    const bridges::IcdSearchIndex index = bridges::IcdSearchIndex::load(*connection);
    for (const bridges::IcdCode& c : index.find(words.join(QLatin1Char(' ')), limit))
        ctx.out << oneField(c.code) << '\t' << oneField(c.description) << '\n';
    return 0;
}

} // namespace orvex::cli
