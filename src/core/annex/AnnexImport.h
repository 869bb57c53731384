#pragma once

#include "annex/AnnexChecks.h"
#include "annex/AnnexTypes.h"
#include "jobs/Job.h"

#include <QString>

namespace orvex::annex {

struct AnnexImportParams
{
    QString pdfPath;
    std::optional<AnnexKind> kind; // found from the table's headings when not given
    QString year;                  // for the default file name; found in the annex's title when empty
    QString fallbackYear;          // when neither the above nor the annex gives one
    QString outputPath;            // empty: the default name in the program folder
    bool force = false;            // replace an existing list
    bool write = true;             // false: read and check only
};

struct AnnexImportResult
{
    AnnexKind kind = AnnexKind::Medical;
    QString year; // as printed, when the annex prints one
    std::vector<AnnexRow> rows;
    AnnexChecks checks;
    QString outputPath;   // where the list goes (or would go)
    bool written = false; // only when every check passed
};

// Turns a case-rate annex PDF into the year's rate list: CODE|DESCRIPTION|CASE RATE|HEALTH
// FACILITY FEE|PROFESSIONAL FEE, Windows-1252, CR LF after every line. Progress after every
// page; a stop request ends it between pages with nothing written. The default list goes
// into the context's program folder.
//
// Throws orvex::Error naming the file when the PDF cannot be read, is no annex, the list
// exists already (without force) or cannot be written. Failed checks end it with the
// summary in the outcome's failures and nothing written.
// result(): what the last run read, checked and wrote.
class AnnexImportJob : public jobs::JobWithResult<AnnexImportResult>
{
public:
    explicit AnnexImportJob(AnnexImportParams params);

    QString title() const override { return QStringLiteral("import-annex"); }
    // The result: what the last run read, checked and wrote.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    bool readPages(const jobs::ProgressFn& progress);
    jobs::JobOutcome finish(const jobs::JobContext& context);

    AnnexImportParams m_params;
};

// "ICD PH 2024.txt" or "ICD PH 2024_PROCEDURE.txt".
QString defaultListName(AnnexKind kind, const QString& year);

// Writes the rows as a rate list at `path`, replacing what is there; throws orvex::Error
// naming the path when it cannot be written. Nothing is left half written.
void writeRateList(const QString& path, const std::vector<AnnexRow>& rows);

// One line of the rate list, without its line break.
QString rateListLine(const AnnexRow& row);
// The rate list's bytes.
QByteArray rateListBytes(const std::vector<AnnexRow>& rows);

} // namespace orvex::annex
