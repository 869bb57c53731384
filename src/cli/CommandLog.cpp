// orvex-cli log [--last N]: the activity log, one line per entry.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"

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
    CommandLine line(QStringLiteral("log"));
    line.addValue(QStringLiteral("last"), QStringLiteral("N"), QStringLiteral("only the last N entries"));
    if (!line.parse(ctx, args))
        return 0;
    if (!line.arguments().isEmpty())
        throw UsageError(QStringLiteral("log: unknown option \"%1\"").arg(line.arguments().first()));
    int last = 0; // every entry
    if (line.isSet(QStringLiteral("last"))) {
        bool ok = false;
        last = line.value(QStringLiteral("last")).toInt(&ok);
        if (!ok || last <= 0)
            throw UsageError(QStringLiteral("log: --last takes a whole number above 0"));
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
