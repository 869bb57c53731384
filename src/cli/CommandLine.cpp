#include "cli/CommandLine.h"

#include <algorithm>

namespace orvex::cli {

namespace {
const QString kHelp = QStringLiteral("help");

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}
} // namespace

const CommandInfo* findCommand(const QString& name)
{
    const QList<CommandInfo>& all = commands();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const CommandInfo& c) { return name == QLatin1String(c.name); });
    return it == all.end() ? nullptr : &*it;
}

CommandLine::CommandLine(const QString& command) : m_command(command)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), kHelp}));
}

void CommandLine::addFlag(const QString& name, const QString& description)
{
    m_parser.addOption(QCommandLineOption(name));
    m_help.append({dashed(name), description});
}

void CommandLine::addRunOptions(const QString& json)
{
    addFlag(QStringLiteral("stats"), QStringLiteral("statements sent and time on standard error"));
    addFlag(QStringLiteral("json"), json);
}

void CommandLine::addValue(const QString& name, const QString& valueName, const QString& description)
{
    m_parser.addOption(QCommandLineOption(name, description, valueName));
    m_valueOptions << dashed(name);
    m_help.append({dashed(name) + QLatin1Char(' ') + valueName, description});
}

void CommandLine::addArgument(const QString& name, const QString& description)
{
    m_help.append({name, description});
}

bool CommandLine::parse(CliContext& ctx, const QStringList& arguments)
{
    if (!m_parser.parse(QStringList{QStringLiteral("orvex-cli")} + arguments)) {
        const QStringList unknown = m_parser.unknownOptionNames();
        if (!unknown.isEmpty())
            throw UsageError(
                QStringLiteral("%1: unknown option \"%2\"").arg(m_command, dashed(unknown.first())));
        // Else, mostly, an option that takes a value came last, without it.
        const QString last = arguments.isEmpty() ? QString() : arguments.last();
        if (m_valueOptions.contains(last))
            throw UsageError(QStringLiteral("%1: %2 needs a value").arg(m_command, last));
        throw UsageError(QStringLiteral("%1: %2").arg(m_command, m_parser.errorText()));
    }
    if (!m_parser.isSet(kHelp))
        return true;
    ctx.out << helpText();
    return false;
}

QString CommandLine::usageLine(const QString& command)
{
    const CommandInfo* info = findCommand(command);
    return QStringLiteral("usage: orvex-cli [GLOBAL OPTIONS] %1\n")
        .arg(QLatin1String(info ? info->synopsis : ""));
}

QString CommandLine::helpText() const
{
    const CommandInfo* info = findCommand(m_command);
    QString text = usageLine(m_command);
    if (info)
        text += QLatin1Char('\n') + QLatin1String(info->description) + QLatin1Char('\n');
    qsizetype width = 10; // "-h, --help"
    for (const auto& [typed, what] : m_help)
        width = std::max(width, typed.size());
    text += QStringLiteral("\noptions and arguments:\n");
    for (const auto& [typed, what] : m_help)
        text += QStringLiteral("  %1  %2\n").arg(typed.leftJustified(width), what);
    text += QStringLiteral("  %1  %2\n")
                .arg(QStringLiteral("-h, --help").leftJustified(width), QStringLiteral("this help"));
    text += QStringLiteral("\nGLOBAL OPTIONS (before the command): see orvex-cli --help\n");
    return text;
}

reconcile::LookupStrategy lookupStrategy(const QString& command, const QString& name)
{
    if (name == QLatin1String("batched"))
        return reconcile::LookupStrategy::Batched;
    if (name == QLatin1String("per-line"))
        return reconcile::LookupStrategy::PerLine;
    throw UsageError(
        QStringLiteral("%1: --strategy takes batched or per-line, not \"%2\"").arg(command, name));
}

} // namespace orvex::cli
