// orvex-cli log [--last N]: the activity log, one line per entry.
#include "cli/CliContext.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "text/VisibleText.h"

namespace orvex::cli {

QString oneField(const QString& text)
{
    return text::visibleText(text);
}

QString shownLines(const QString& text)
{
    return text::visibleLines(text);
}

int runLog(CliContext& ctx, const QStringList& args)
{
    int last = 0; // every entry
    for (qsizetype i = 0; i < args.size(); ++i) {
        bool ok = false;
        if (args[i] == QLatin1String("--last") && i + 1 < args.size())
            last = args[++i].toInt(&ok);
        if (!ok || last <= 0) {
            ctx.err << "orvex-cli: usage: log [--last N]   (N a whole number above 0)\n";
            ctx.err.flush();
            return 2;
        }
    }
    auto connection = ctx.signIn();
    db::ActivityLog log(*connection);
    for (const db::ActivityLogEntry& e : log.last(last)) {
        ctx.out << oneField(e.timestamp) << '\t' << oneField(e.user) << '\t' << oneField(e.workstation)
                << '\t' << oneField(e.text) << '\n';
        ctx.checkOutput(); // a full disk stops the listing at once
    }
    ctx.finishOutput();
    return 0;
}

} // namespace orvex::cli
