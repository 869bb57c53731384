// `orvex-cli inspect`: reads a rate list the way the scan reads it and shows, line by line,
// what the scan will see, with a summary of what looks wrong in the list. Given an annex PDF
// it shows the rows an import would write.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"

#include "Error.h"
#include "annex/AnnexImport.h"
#include "platform/ProgramFolder.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace orvex::cli {

namespace {
constexpr qsizetype kLongLine = 1000;
constexpr qsizetype kDuplicatesShown = 10;

struct InspectSummary
{
    qsizetype lines = 0;
    qsizetype groupHeaders = 0;
    qsizetype codeLines = 0;
    qsizetype badAmountLines = 0;
    qsizetype unprintable = 0;
    qsizetype longLines = 0;
    QHash<QString, int> codeCounts;
    QStringList codeOrder; // first occurrence order, for a stable report
};

// A field on one output line: tabs, line breaks and other control characters (C1 included)
// would break the one-line-per-input-line layout or hide, so they are shown as \xHH; a
// backslash is doubled so that the form stays unambiguous.
QString shown(const QString& field)
{
    QString text;
    text.reserve(field.size());
    for (const QChar c : field) {
        if (c == QLatin1Char('\\'))
            text += QLatin1String("\\\\");
        else if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

bool isPlainNumber(const QString& amount)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return number.match(amount).hasMatch();
}

// A bare file name that is not in the current folder is looked up in the program folder,
// where the window lists its source files.
QString locate(const QString& name)
{
    if (QFileInfo::exists(name) || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return name;
    const QString inProgramFolder = ProgramFolder::path() + QLatin1Char('/') + name;
    return QFileInfo::exists(inProgramFolder) ? inProgramFolder : name;
}

void inspectLine(CliContext& ctx, qsizetype number, const QString& line, InspectSummary& summary)
{
    ++summary.lines;
    ctx.checkOutput(); // a full disk stops the listing at once
    for (const QChar c : line) {
        if (!cp1252::isPrintable(c))
            ++summary.unprintable;
    }
    if (line.size() > kLongLine)
        ++summary.longLines;

    const ratelist::ScanLine split = ratelist::splitScanLine(line, true);
    ctx.out << number << '\t';
    if (split.kind == ratelist::ScanLine::Kind::GroupHeader) {
        ++summary.groupHeaders;
        ctx.out << "header\t" << shown(split.groupName) << '\n';
        return;
    }
    ++summary.codeLines;
    ctx.out << "code\t" << shown(split.code) << '\t' << shown(split.description) << '\t'
            << shown(split.amount) << '\t' << shown(split.pf) << '\t' << shown(split.hci) << '\n';
    if (!isPlainNumber(split.amount) || !isPlainNumber(split.pf) || !isPlainNumber(split.hci))
        ++summary.badAmountLines;
    int& count = summary.codeCounts[split.code];
    if (count++ == 0)
        summary.codeOrder << split.code;
}

void printSummary(CliContext& ctx, const InspectSummary& summary)
{
    QStringList duplicates;
    for (const QString& code : summary.codeOrder) {
        if (summary.codeCounts.value(code) > 1)
            duplicates << code;
    }
    ctx.err << "lines: " << summary.lines << '\n'
            << "group headers: " << summary.groupHeaders << '\n'
            << "code lines: " << summary.codeLines << '\n'
            << "codes occurring more than once: " << duplicates.size();
    if (!duplicates.isEmpty()) {
        QStringList listed;
        for (const QString& code : duplicates.mid(0, kDuplicatesShown))
            listed << QLatin1Char('"') + shown(code) + QLatin1Char('"');
        ctx.err << " (" << listed.join(QLatin1String(", "))
                << (duplicates.size() > kDuplicatesShown ? QStringLiteral(", ...") : QString()) << ')';
    }
    ctx.err << '\n'
            << "code lines with an empty or non-numeric amount: " << summary.badAmountLines << '\n'
            << "characters not printable in Windows-1252: " << summary.unprintable << '\n'
            << "lines over " << kLongLine << " characters: " << summary.longLines << '\n';
}

bool isPdf(const QString& path)
{
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

// The rows an annex import would write, as the lines of the list; its checks go to `err`.
QStringList annexLines(CliContext& ctx, const QString& path)
{
    annex::AnnexImportParams params;
    params.pdfPath = path;
    params.write = false;
    annex::AnnexImportJob job(params);
    job.run(jobs::JobContext{ProgramFolder::path(), {}, {}, nullptr}, {});
    const annex::AnnexImportResult& result = job.result();
    ctx.err << "annex kind: " << annex::kindName(result.kind) << '\n';
    for (const QString& line : result.checks.summaryLines())
        ctx.err << "annex " << line << '\n';
    QStringList lines;
    lines.reserve(qsizetype(result.rows.size()));
    for (const annex::AnnexRow& row : result.rows)
        lines << annex::rateListLine(row);
    return lines;
}

} // namespace

int runInspect(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("inspect"));
    line.addArgument(QStringLiteral("FILE"), QStringLiteral("a rate list, or an annex PDF"));
    line.addFlag(QStringLiteral("update-resource"),
                 QStringLiteral("the built-in update resource, or the FILE given after it"));
    if (!line.parse(ctx, args))
        return 0;
    const QStringList files = line.arguments();
    const bool updateResource = line.isSet(QStringLiteral("update-resource"));
    if (files.size() > 1)
        throw UsageError(QStringLiteral("inspect: too many arguments"));
    if (files.isEmpty() && !updateResource)
        throw UsageError(QStringLiteral("inspect: no file given"));
    QStringList lines;
    if (updateResource) {
        lines = files.isEmpty() ? ratelist::loadBuiltinUpdateResource()
                                : ratelist::loadUpdateResourceFile(locate(files.first()));
    } else {
        const QString path = locate(files.first());
        if (isPdf(path)) {
            lines = annexLines(ctx, path);
        } else {
            ratelist::SourceText source = ratelist::readSource(path);
            for (const QString& warning : ratelist::sourceWarnings(source.notes, QFileInfo(path).fileName()))
                ctx.err << "orvex-cli inspect: warning: " << warning << '\n';
            lines = std::move(source.lines);
        }
    }

    InspectSummary summary;
    for (qsizetype i = 0; i < lines.size(); ++i)
        inspectLine(ctx, i + 1, lines.at(i), summary);
    printSummary(ctx, summary);
    return 0;
}

} // namespace orvex::cli
