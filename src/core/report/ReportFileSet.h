#pragma once

#include "report/ReportFile.h"

#include <QLockFile>
#include <QString>

#include <array>
#include <memory>

// The report file set: the eight files of the output folder that the scan and the
// update-script run open together, write while they work and close at their end.
namespace orvex::report {

// In the order both runs open them.
enum class Slot {
    LogFile,
    NewCodeFile,
    ScriptFile,
    ScriptPHFile,
    SameCodeDiffDescFile,
    SameCodeDiffDescScriptFile,
    SameDescDiffCodeFile,
    DiffCodeDescFile,
};
inline constexpr int kSlotCount = 8;

// The file name of a slot in the output folder, e.g. "ICD Parser Log.txt".
QString slotFileName(Slot slot);

// The ninth file of the output folder, written by the scan's fix-format mode only.
inline constexpr char16_t kFixFormatFileName[] = u"OutputICDFile2.txt";

// The first line of a script that a run which did not finish leaves behind.
inline constexpr char16_t kUnfinishedScriptLine[] =
    u"-- The run that wrote this script did not finish: the script is incomplete and must not be run.";

// Deletes a file; every failure (missing file, no rights, bad path) is ignored.
void deleteFileQuietly(const QString& path) noexcept;

class ReportFileSet
{
public:
    // `outputFolder`: where the files go; empty: the program folder's output folder.
    explicit ReportFileSet(QString outputFolder = QString()) : m_outputFolder(std::move(outputFolder)) {}
    ReportFileSet(const ReportFileSet&) = delete;
    ReportFileSet& operator=(const ReportFileSet&) = delete;
    ~ReportFileSet(); // closes everything quietly

    // Opening a set takes the output folder's run lock, held until the set is closed: one
    // run at a time per output folder, across processes. A second run gets orvex::Error
    // naming the folder before any file is touched. A lock left by a process that died is
    // taken over.

    // Every file is written to a temporary file beside it that takes its place when the set
    // is closed with closeAll (see ReportFile).

    // Opens the set for the scan in append mode: the log keeps earlier runs; every other
    // file is deleted first, so it starts empty. ScriptPHFile only when phMode. Files still
    // open from an earlier run are closed quietly first. On a failure throws orvex::Error
    // naming the file, after closing what it had opened.
    void openScanFiles(bool phMode);

    // Opens the set for the update-script run in output mode: every file starts empty, the
    // log included (deleted first). A failure to open DiffCodeDescFile is ignored and leaves it unopened;
    // any other failure behaves as in openScanFiles.
    void openUpdateFiles(bool phMode);

    // Writes one line (Windows-1252, CR LF); a CR or LF inside it is written as a blank, so
    // that no text can start a line of its own. A write to a slot that is not open is ignored
    // (ScriptPHFile outside PH mode, a DiffCodeDescFile that could not be opened). Throws
    // orvex::Error naming the file when the data cannot be written.
    void writeLine(Slot slot, const QString& line);

    // Appends a line to the log saying that the run stopped and why, so that its half-written
    // reports are marked; for a run ending in an error while the set is open. Never throws.
    void recordFailure(const QString& reason) noexcept;

    bool isOpen(Slot slot) const;
    // The full path of the slot's file: where it is open, else in the current output folder.
    QString path(Slot slot) const;

    // Closes in the run's closing order (LogFile, SameCodeDiffDescScriptFile, NewCodeFile,
    // ScriptFile, SameCodeDiffDescFile, SameDescDiffCodeFile, DiffCodeDescFile, ScriptPHFile),
    // passing over what is not open, as the files of a run that did not finish: each report
    // as written, each script after the line kUnfinishedScriptLine, and a file whose data did
    // not all reach the disk not at all (the scan's log then as the earlier runs left it).
    // Never reports anything.
    void closeUnfinished() noexcept;
    // The files of a finished run: once every file is written out, each takes its place. When
    // one cannot be written, records the failure in the log, closes the set as
    // closeUnfinished does and throws orvex::Error naming the first such file.
    void closeAll();

    // The fix-format file "OutputICDFile2.txt": opened for output (emptying earlier content),
    // one rewritten line per source line, closed by the scan. A write while it is not open is
    // ignored; failures throw orvex::Error naming the file (closeFixFormatFile: after closing).
    void openFixFormatFile();
    void writeFixFormatLine(const QString& line);
    void closeFixFormatFile();
    bool isFixFormatFileOpen() const { return m_fixFormat.isOpen(); }
    QString fixFormatPath() const;

private:
    void openSet(ReportFile::Mode mode, bool phMode);
    void lockOutputFolder();
    void unlockOutputFolder() noexcept;
    QString outputFile(const QString& fileName) const;
    ReportFile& file(Slot slot) { return m_files[static_cast<int>(slot)]; }
    const ReportFile& file(Slot slot) const { return m_files[static_cast<int>(slot)]; }

    QString m_outputFolder;
    std::array<ReportFile, kSlotCount> m_files;
    ReportFile m_fixFormat;
    std::unique_ptr<QLockFile> m_runLock;
};

} // namespace orvex::report
