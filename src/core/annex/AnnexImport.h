#pragma once

#include "annex/AnnexChecks.h"
#include "annex/AnnexTypes.h"

#include <QString>

#include <atomic>
#include <functional>

namespace orvex::annex {

struct AnnexImportParams
{
    QString pdfPath;
    std::optional<AnnexKind> kind; // found from the table's headings when not given
    QString year;                  // for the default file name; found in the annex's title when empty
    QString outputPath;            // empty: the default name in the program folder
    bool force = false;            // replace an existing list
    bool write = true;             // false: read and check only
};

struct AnnexImportProgress
{
    int page = 0; // pages read so far
    int pages = 0;
    qsizetype rows = 0;
};

struct AnnexImportResult
{
    AnnexKind kind = AnnexKind::Medical;
    QString year; // as printed, when the annex prints one
    std::vector<AnnexRow> rows;
    AnnexChecks checks;
    QString outputPath;   // where the list goes (or would go)
    bool written = false; // only when every check passed
    bool stopped = false; // a stop request ended the reading; nothing written
};

// Turns a case-rate annex PDF into the year's rate list: CODE|DESCRIPTION|CASE RATE|HEALTH
// FACILITY FEE|PROFESSIONAL FEE, Windows-1252, CR LF after every line. Runs on the calling
// thread; requestStop may be called from any thread and takes effect between pages.
class AnnexImportJob
{
public:
    using ProgressFn = std::function<void(const AnnexImportProgress&)>;

    explicit AnnexImportJob(AnnexImportParams params);

    // Throws orvex::Error naming the file when the PDF cannot be read, is no annex, the
    // list exists already (without force) or cannot be written. Failed checks are in the
    // result, with nothing written.
    AnnexImportResult run(const ProgressFn& progress = {});

    void requestStop() { m_stop.store(true); }

private:
    AnnexImportParams m_params;
    std::atomic<bool> m_stop{false};
};

// "ICD PH 2024.txt" or "ICD PH 2024_PROCEDURE.txt".
QString defaultListName(AnnexKind kind, const QString& year);

// One line of the rate list, without its line break.
QString rateListLine(const AnnexRow& row);
// The rate list's bytes.
QByteArray rateListBytes(const std::vector<AnnexRow>& rows);

} // namespace orvex::annex
