#include "annex/AnnexImport.h"

#include "Error.h"
#include "annex/AnnexPage.h"
#include "annex/AnnexPdf.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

namespace orvex::annex {

namespace {
QString yearIn(const QStringList& titleLines)
{
    static const QRegularExpression year(QStringLiteral("\\b(19|20)\\d\\d\\b"));
    for (const QString& line : titleLines) {
        if (const auto match = year.match(line); match.hasMatch())
            return match.captured();
    }
    return {};
}

QString headingsWanted()
{
    return QStringLiteral(
        "\"ICD Code\" or \"RVS Code\", \"Description\", \"Case Rate\", \"Health Facility Fee\", "
        "\"Professional Fee\"");
}

AnnexKind decideKind(const QString& pdf, const std::optional<AnnexKind>& given, const PageTable& first)
{
    if (given && first.kind && *given != *first.kind)
        throw Error(QStringLiteral("%1: the table's heading \"%2\" marks a %3 annex, not a %4 one")
                        .arg(quotedPath(pdf), first.codeHeading, kindName(*first.kind), kindName(*given)));
    if (given)
        return *given;
    if (first.kind)
        return *first.kind;
    throw Error(QStringLiteral("%1: the heading \"%2\" does not tell medical from procedure codes; "
                               "give the kind (medical or procedure)")
                    .arg(quotedPath(pdf), first.codeHeading));
}

// The 2024 annexes are under 2 MB for over 100 pages; a file far larger holds no annex.
constexpr qint64 kMebibyte = qint64(1) << 20;
constexpr qint64 kMostAnnexBytes = 32 * kMebibyte;

void refuseLargerThanAnAnnex(const QString& pdf)
{
    const qint64 size = QFileInfo(pdf).size();
    if (size > kMostAnnexBytes)
        throw Error(QStringLiteral("%1: the file is %2 MB, larger than an annex can be (at most %3 MB); "
                                   "not a case-rate annex")
                        .arg(quotedPath(pdf), QString::number(double(size) / double(kMebibyte), 'f', 1),
                             QString::number(kMostAnnexBytes / kMebibyte)));
}

// A rate list gives one case rate per code. Annex C (the benefits excluded from the 50%
// adjustment) gives three (first case rate, second case rate, primary care facilities) for
// ICD-10 and RVS codes alike: no kind turns it into a rate list.
void refuseSeveralRatesPerCode(const QString& pdf, const PageTable& first)
{
    if (first.caseRateColumns > 1)
        throw Error(QStringLiteral("%1: not a rate list: its table gives %2 case rates for each code (%2 "
                                   "columns headed \"Case Rate\") where a rate list has one; only an annex "
                                   "with one case rate per code, such as Annex A (medical) or Annex B "
                                   "(procedure), can be imported")
                        .arg(quotedPath(pdf), QString::number(first.caseRateColumns)));
}

void refuseToReplace(const QString& path, bool force)
{
    if (!force && QFileInfo::exists(path))
        throw Error(QStringLiteral("%1 exists already; it is replaced only when asked to (--force)")
                        .arg(quotedPath(path)));
}

} // namespace

void writeRateList(const QString& path, const std::vector<AnnexRow>& rows)
{
    const QByteArray bytes = rateListBytes(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Error(Error::Kind::File, QStringLiteral("%1: the rate list cannot be written: %2")
                                           .arg(quotedPath(path), file.errorString()));
}

QString kindName(AnnexKind kind)
{
    return kind == AnnexKind::Medical ? QStringLiteral("medical") : QStringLiteral("procedure");
}

std::optional<AnnexKind> kindFromName(const QString& name)
{
    if (name == QLatin1String("medical"))
        return AnnexKind::Medical;
    if (name == QLatin1String("procedure"))
        return AnnexKind::Procedure;
    return std::nullopt;
}

QString defaultListName(AnnexKind kind, const QString& year)
{
    return QStringLiteral("ICD PH ") + year +
           (kind == AnnexKind::Procedure ? QStringLiteral("_PROCEDURE.txt") : QStringLiteral(".txt"));
}

QString rateListLine(const AnnexRow& row)
{
    return QStringList{row.code, row.description, row.caseRate, row.facilityFee, row.professionalFee}.join(
        QLatin1Char('|'));
}

QByteArray rateListBytes(const std::vector<AnnexRow>& rows)
{
    QString text;
    for (const AnnexRow& row : rows)
        text += rateListLine(row) + QLatin1String("\r\n");
    return cp1252::encode(text);
}

AnnexImportJob::AnnexImportJob(AnnexImportParams params) : m_params(std::move(params)) {}

jobs::JobOutcome AnnexImportJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    m_result = {};
    if (m_params.write && !m_params.outputPath.isEmpty())
        refuseToReplace(m_params.outputPath, m_params.force);
    if (!readPages(progress)) {
        jobs::JobOutcome outcome;
        outcome.ending = stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                     : jobs::JobEnding::Stopped;
        outcome.messages << QStringLiteral("Stopped; nothing was written.");
        return outcome;
    }
    return finish(context);
}

bool AnnexImportJob::readPages(const jobs::ProgressFn& progress)
{
    const QString& pdfPath = m_params.pdfPath;
    refuseLargerThanAnAnnex(pdfPath);
    const AnnexPdf pdf(pdfPath);
    const int pages = pdf.pageCount();
    QList<qsizetype> rowsPerPage;
    QStringList problems;
    std::vector<AnnexRow> notes;
    QStringList hidden;
    const StopCheck stop = [this] { return !shouldContinue(); };

    for (int index = 0; index < pages; ++index) {
        if (!shouldContinue())
            return false;
        const std::optional<PageText> text = pdf.text(index, stop);
        if (!text)
            return false;
        for (const PdfWord& word : text->hidden)
            hidden << QStringLiteral("\"%1\" (page %2)").arg(word.text, QString::number(index + 1));
        const PageWords& words = text->words;
        const PageTable table = readPageTable(words, index + 1);
        if (index == 0) {
            if (words.empty() && !text->hidden.empty())
                throw Error(QStringLiteral("%1: page 1 shows no text a reader sees: its %2 words are "
                                           "invisible or drawn in the colour beneath them (a scanned PDF?)")
                                .arg(quotedPath(pdfPath), QString::number(text->hidden.size())));
            if (words.empty())
                throw Error(
                    QStringLiteral("%1: page 1 has no text layer (a scanned PDF?); only an annex with "
                                   "selectable text can be read")
                        .arg(quotedPath(pdfPath)));
            if (!table.hasTable)
                throw Error(QStringLiteral("%1: not a case-rate annex: page 1 has no table headed %2")
                                .arg(quotedPath(pdfPath), headingsWanted()));
            refuseSeveralRatesPerCode(pdfPath, table);
            m_result.kind = decideKind(pdfPath, m_params.kind, table);
            m_result.year = yearIn(table.titleLines);
        } else if (!table.hasTable) {
            problems << QStringLiteral("page %1: no table headed %2").arg(index + 1).arg(headingsWanted());
        }
        // Lines of the code column without amounts are a footnote only after the last row.
        if (!table.rows.empty() && !notes.empty()) {
            for (const AnnexRow& note : notes)
                problems << QStringLiteral("page %1: \"%2\" has no amounts").arg(note.page).arg(note.code);
            notes.clear();
        }
        notes.insert(notes.end(), table.notes.begin(), table.notes.end());
        problems << table.problems;
        rowsPerPage << qsizetype(table.rows.size());
        m_result.rows.insert(m_result.rows.end(), table.rows.begin(), table.rows.end());
        if (progress) {
            jobs::JobProgress step;
            step.linesDone = index + 1;
            step.lineCount = pages;
            step.text =
                QStringLiteral("page %1 of %2: %3 rows").arg(index + 1).arg(pages).arg(m_result.rows.size());
            progress(std::move(step));
        }
    }

    m_result.checks = checkRows(m_result.rows, rowsPerPage);
    m_result.checks.problems = problems + m_result.checks.problems;
    m_result.checks.hiddenWords = hidden;
    for (const AnnexRow& note : notes)
        m_result.checks.footnoteLines << (note.code + QLatin1Char(' ') + note.description).trimmed();
    return true;
}

jobs::JobOutcome AnnexImportJob::finish(const jobs::JobContext& context)
{
    m_result.outputPath = m_params.outputPath;
    if (m_result.outputPath.isEmpty()) {
        QString year = m_params.year.isEmpty() ? m_result.year : m_params.year;
        if (year.isEmpty())
            year = m_params.fallbackYear;
        if (year.isEmpty() && m_params.write)
            throw Error(
                QStringLiteral("%1: the annex prints no year to name the list after; give the year or "
                               "the output file")
                    .arg(quotedPath(m_params.pdfPath)));
        if (!year.isEmpty())
            m_result.outputPath = context.programFile(defaultListName(m_result.kind, year));
    }

    jobs::JobOutcome outcome;
    outcome.summary << QStringLiteral("kind: ") + kindName(m_result.kind) << m_result.checks.summaryLines();
    if (!m_result.checks.passed()) {
        outcome.failures = m_result.checks.summaryLines();
        outcome.messages << QStringLiteral("The checks failed; nothing was written.");
    } else if (m_params.write) {
        refuseToReplace(m_result.outputPath, m_params.force);
        writeRateList(m_result.outputPath, m_result.rows);
        m_result.written = true;
        outcome.summary << QStringLiteral("written: ") + QDir::toNativeSeparators(m_result.outputPath);
        outcome.messages << QStringLiteral("Done.");
    }
    outcome.json = QJsonObject{{"kind", kindName(m_result.kind)},
                               {"year", m_result.year},
                               {"rows", qint64(m_result.rows.size())},
                               {"checks", QJsonArray::fromStringList(m_result.checks.summaryLines())},
                               {"passed", m_result.checks.passed()},
                               {"outputPath", m_result.outputPath},
                               {"written", m_result.written}};
    return outcome;
}

} // namespace orvex::annex
