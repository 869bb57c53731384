#pragma once

#include "cli/CliContext.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTextStream>

namespace orvex::test {

// One in-process run of the command line, with what it printed.
struct CliRun
{
    int exitCode = -1;
    QByteArray out; // UTF-8
    QByteArray err;
};

inline CliRun runCliInProcess(const QStringList& args)
{
    CliRun run;
    {
        QTextStream out(&run.out);
        QTextStream err(&run.err);
        run.exitCode = cli::runCli(args, out, err);
        out.flush();
        err.flush();
    }
    return run;
}

inline QList<QByteArray> outputLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace orvex::test
