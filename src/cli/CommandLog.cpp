// orvex-cli log [--last N]: the activity log, one line per entry.
#include "cli/CliContext.h"

#include "Error.h"
#include "db/ActivityLog.h"

namespace orvex::cli {

QString oneField(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
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
    for (const db::ActivityLogEntry& e : log.last(last))
        ctx.out << oneField(e.timestamp) << '\t' << oneField(e.user) << '\t' << oneField(e.workstation)
                << '\t' << oneField(e.text) << '\n';
    ctx.out.flush();
    return 0;
}

} // namespace orvex::cli
