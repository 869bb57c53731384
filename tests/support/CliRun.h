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

// The same run with what it printed as text, for tests that search and split it.
struct CliTextRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliTextRun runCliText(const QStringList& args)
{
    const CliRun run = runCliInProcess(args);
    return {run.exitCode, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}

inline QList<QByteArray> outputLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace orvex::test
