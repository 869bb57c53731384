#pragma once

#include "Error.h"
#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "db/SignIn.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

namespace orvex::cli {

// What every command gets: the global options already applied, and the two streams.
struct CliContext
{
    QTextStream& out;
    QTextStream& err;

    QString embeddedFolder;       // --db DIR
    QString odbcConnectionString; // --odbc "..."
    // --encrypt yes|no|strict and --trust-server-certificate, over what --odbc says of them.
    std::optional<db::OdbcEncrypt> encrypt;
    bool trustServerCertificate = false;
    bool stdinIsTerminal = false;
    bool stderrIsTerminal = false;

    // Signs in with the global options (embedded by default) and returns the open
    // connection; throws orvex::Error with a message for the user.
    std::unique_ptr<db::Connection> signIn();
    // Who the activity log names for changes made by this run: the login, else the
    // workstation's user.
    db::LogIdentity logIdentity() const;
    QString userId; // the signed-in user, as the activity log names it; set by signIn()

    // What a command prints is part of its result: throws orvex::Error when standard output
    // lost some of it (a full disk, a closed pipe). checkOutput() looks at what went out so far
    // (cheap, for every row of a long listing); finishOutput() first flushes the rest.
    void checkOutput();
    void finishOutput();
};

// A command's arguments that do not fit its usage: runCli prints the message and the
// command's usage line on standard error and exits 2.
class UsageError : public Error
{
public:
    explicit UsageError(const QString& message) : Error(Kind::Usage, message) {}
};

// Standard output lost part of what a command printed (a full disk, a closed pipe): a file
// error that exits 1, as it always has, for the scripts that check it.
class OutputLost : public Error
{
public:
    explicit OutputLost(const QString& message) : Error(Kind::File, message) {}
};

// Tabs separate the fields of a printed row and a line ends it, so neither may stand
// inside a field: they and every other control character are written out ("\t", "\n",
// "\x1b"), so that no stored text can forge a row or steer the terminal.
QString oneField(const QString& text);
// A line or message of several lines built from stored text: control characters written out,
// its own line breaks kept.
QString shownLines(const QString& text);

// A command: arguments after its name; returns the process exit code.
using CommandFn = int (*)(CliContext&, const QStringList&);

int runInspect(CliContext& ctx, const QStringList& args);
int runDb(CliContext& ctx, const QStringList& args);
int runLog(CliContext& ctx, const QStringList& args);
int runScan(CliContext& ctx, const QStringList& args);
int runUpdate(CliContext& ctx, const QStringList& args);
int runImportAnnex(CliContext& ctx, const QStringList& args);
int runOnlineUpdate(CliContext& ctx, const QStringList& args);
int runSearch(CliContext& ctx, const QStringList& args);
int runBackup(CliContext& ctx, const QStringList& args);
int runClone(CliContext& ctx, const QStringList& args);
int runPackageRates(CliContext& ctx, const QStringList& args);
int runDuplicates(CliContext& ctx, const QStringList& args);
int runApply(CliContext& ctx, const QStringList& args);
int runUndo(CliContext& ctx, const QStringList& args);

// Parses the global options and runs one command. An orvex::Error is printed on `err`
// and gives the exit code of its kind (cli/ExitCode.h).
int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace orvex::cli
