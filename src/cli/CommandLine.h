#pragma once

#include "cli/CliContext.h"
#include "cli/JobCommand.h"
#include "reconcile/ScanJob.h"

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvex::cli {

// What the command table says of one command: its name, the arguments it takes and what it
// does, for the list of commands and for the command's own help.
struct CommandInfo
{
    const char* name;
    CommandFn run;
    const char* synopsis;    // "scan [--ph] ... [--json]"
    const char* description; // one sentence or a few
};

const QList<CommandInfo>& commands();
const CommandInfo* findCommand(const QString& name);

// The options and arguments of one command, declared at the top of the command: each with
// the words its help gives it. Parsed with QCommandLineParser; `--help` (or `-h`) prints the
// command's help.
class CommandLine
{
public:
    explicit CommandLine(const QString& command);

    // An option without a value: "ph" gives --ph, "o" gives -o.
    void addFlag(const QString& name, const QString& description);
    // An option that takes a value: --name VALUE.
    void addValue(const QString& name, const QString& valueName, const QString& description);
    // --json and --stats, which every command that runs a job takes; `json` says what the
    // object holds.
    void addRunOptions(const QString& json);
    JobRunOptions runOptions() const
    {
        return {isSet(QStringLiteral("json")), isSet(QStringLiteral("stats"))};
    }
    // An argument of its own, named in the help only: the command checks how many it got.
    void addArgument(const QString& name, const QString& description);

    // False when the help was asked for and printed on standard output. Throws UsageError
    // naming an unknown option or an option without its value.
    bool parse(CliContext& ctx, const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList arguments() const { return m_parser.positionalArguments(); }
    // The options given, in their order, once each time given.
    QStringList optionNames() const { return m_parser.optionNames(); }

    // "usage: orvex-cli COMMAND ..." and the options, as --help prints them.
    QString helpText() const;
    // The usage line alone, for a usage error.
    static QString usageLine(const QString& command);

private:
    QString m_command;
    QCommandLineParser m_parser;
    QStringList m_valueOptions;                // "--source", "-o": for the message of a missing value
    QList<std::pair<QString, QString>> m_help; // what is typed, what it does
};

// --strategy batched|per-line, the lookup strategy of a scan or an update run.
reconcile::LookupStrategy lookupStrategy(const QString& command, const QString& name);

} // namespace orvex::cli
