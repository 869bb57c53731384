#include "report/ReportFileSet.h"

#include "Error.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace orvex::report {

namespace {
// The "use" line a script file starts with (followed by two empty lines); empty for the
// files without a header.
QString headerOf(Slot slot)
{
    switch (slot) {
    case Slot::ScriptFile:
    case Slot::SameCodeDiffDescScriptFile:
        return QStringLiteral("use Build_file");
    case Slot::ScriptPHFile:
        return QStringLiteral("use MEDICARE");
    default:
        return QString();
    }
}

bool isScript(Slot slot)
{
    return !headerOf(slot).isEmpty();
}

constexpr std::array<Slot, kSlotCount> kOpenOrder = {Slot::LogFile,
                                                     Slot::NewCodeFile,
                                                     Slot::ScriptFile,
                                                     Slot::ScriptPHFile,
                                                     Slot::SameCodeDiffDescFile,
                                                     Slot::SameCodeDiffDescScriptFile,
                                                     Slot::SameDescDiffCodeFile,
                                                     Slot::DiffCodeDescFile};

constexpr std::array<Slot, kSlotCount> kCloseOrder = {Slot::LogFile,
                                                      Slot::SameCodeDiffDescScriptFile,
                                                      Slot::NewCodeFile,
                                                      Slot::ScriptFile,
                                                      Slot::SameCodeDiffDescFile,
                                                      Slot::SameDescDiffCodeFile,
                                                      Slot::DiffCodeDescFile,
                                                      Slot::ScriptPHFile};
// Beside the reports; QLockFile writes the owner's process id into it and takes over the
// lock of a process that no longer runs.
const QString kRunLockFileName = QStringLiteral(".orvex-run.lock");
} // namespace

QString slotFileName(Slot slot)
{
    switch (slot) {
    case Slot::LogFile:
        return QStringLiteral("ICD Parser Log.txt");
    case Slot::NewCodeFile:
        return QStringLiteral("New Code.txt");
    case Slot::ScriptFile:
        return QStringLiteral("script.txt");
    case Slot::ScriptPHFile:
        return QStringLiteral("scriptPH.txt");
    case Slot::SameCodeDiffDescFile:
        return QStringLiteral("SameCodediffdesc.txt");
    case Slot::SameCodeDiffDescScriptFile:
        return QStringLiteral("SameCodeDiffDesc Script.txt");
    case Slot::SameDescDiffCodeFile:
        return QStringLiteral("Same description different code.txt");
    case Slot::DiffCodeDescFile:
        return QStringLiteral("Different Code and Description.txt");
    }
    return QString();
}

void DeleteFileQuietly(const QString& path) noexcept
{
    if (path.isEmpty())
        return; // QFile would warn about it
    try {
        QFile::remove(path);
    } catch (...) {
        // Never reports anything.
    }
}

ReportFileSet::~ReportFileSet()
{
    CloseReportFiles();
    m_fixFormat.closeUnfinished();
    unlockOutputFolder();
}

void ReportFileSet::lockOutputFolder()
{
    if (m_runLock)
        return;
    auto lock = std::make_unique<QLockFile>(outputFile(kRunLockFileName));
    lock->setStaleLockTime(0); // a live run may take hours; only a dead owner's lock is stale
    if (lock->tryLock(0)) {
        m_runLock = std::move(lock);
        return;
    }
    // A folder that cannot hold the lock file is left to the file opens, which name the file.
    if (lock->error() == QLockFile::LockFailedError) {
        const QString folder =
            QDir::toNativeSeparators(QFileInfo(outputFile(kRunLockFileName)).absolutePath());
        throw Error(QStringLiteral("Another run is writing its reports to the output folder %1 (in this or "
                                   "another Orvex window or command); nothing was changed. Try again when it "
                                   "has finished.")
                        .arg(folder));
    }
}

void ReportFileSet::unlockOutputFolder() noexcept
{
    m_runLock.reset(); // unlocks
}

void ReportFileSet::recordFailure(const QString& reason) noexcept
{
    try {
        ReportFile& log = file(Slot::LogFile);
        if (log.isOpen()) {
            log.writeLine(QStringLiteral("*** The run stopped before its end; the other reports are "
                                         "incomplete. %1")
                              .arg(reason));
        }
    } catch (...) {
        // The disk may be what failed; the error still reaches the user.
    }
}

void ReportFileSet::OpenScanFiles(bool phMode)
{
    openSet(ReportFile::Mode::Append, phMode);
}

void ReportFileSet::OpenUpdateFiles(bool phMode)
{
    openSet(ReportFile::Mode::Output, phMode);
}

void ReportFileSet::openSet(ReportFile::Mode mode, bool phMode)
{
    // Files an interrupted run left open are released first, so their data reaches the disk.
    CloseReportFiles();
    lockOutputFolder();
    for (const Slot slot : kOpenOrder) {
        if (slot == Slot::ScriptPHFile && !phMode)
            continue; // an earlier PH run's scriptPH.txt stays as it is
        const QString filePath = path(slot);
        // An earlier run's file must not pass for this run's when this one fails; the scan's
        // log goes on from the earlier runs.
        if (slot != Slot::LogFile || mode == ReportFile::Mode::Output)
            DeleteFileQuietly(filePath);
        try {
            file(slot).open(filePath, mode);
            const QString header = headerOf(slot);
            if (!header.isEmpty()) {
                file(slot).writeLine(header);
                file(slot).writeLine(QStringView());
                file(slot).writeLine(QStringView());
            }
        } catch (const Error&) {
            if (mode == ReportFile::Mode::Output && slot == Slot::DiffCodeDescFile) {
                file(slot).discard();
                continue; // the update run does without this file
            }
            CloseReportFiles();
            throw;
        }
    }
}

void ReportFileSet::writeLine(Slot slot, const QString& line)
{
    ReportFile& target = file(slot);
    if (!target.isOpen())
        return;
    if (!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n'))) {
        target.writeLine(line);
        return;
    }
    // A line break inside listed or stored text would start a line of its own.
    QString oneLine = line;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    target.writeLine(oneLine);
}

bool ReportFileSet::isOpen(Slot slot) const
{
    return file(slot).isOpen();
}

QString ReportFileSet::path(Slot slot) const
{
    // An open file keeps the path it was opened under, even if the program folder changed.
    const ReportFile& open = file(slot);
    return open.isOpen() ? open.path() : outputFile(slotFileName(slot));
}

void ReportFileSet::CloseReportFiles() noexcept
{
    for (const Slot slot : kCloseOrder)
        file(slot).closeUnfinished(isScript(slot) ? QString::fromUtf16(kUnfinishedScriptLine) : QString());
    if (!m_fixFormat.isOpen())
        unlockOutputFolder();
}

void ReportFileSet::closeAll()
{
    // Every file is written out before any takes its place: a full disk leaves no file of
    // this run in place that looks complete.
    QString firstFailure;
    Error::Kind kind = Error::Kind::File;
    for (const Slot slot : kCloseOrder) {
        try {
            file(slot).flush();
        } catch (const Error& e) {
            if (firstFailure.isEmpty()) {
                firstFailure = e.message();
                kind = e.kind();
            }
        }
    }
    if (firstFailure.isEmpty()) {
        for (const Slot slot : kCloseOrder) {
            try {
                file(slot).close();
            } catch (const Error& e) {
                firstFailure = e.message();
                kind = e.kind();
                break;
            }
        }
    }
    if (!firstFailure.isEmpty()) {
        recordFailure(firstFailure);
        CloseReportFiles();
        throw Error(kind, firstFailure);
    }
    if (!m_fixFormat.isOpen())
        unlockOutputFolder();
}

QString ReportFileSet::outputFile(const QString& fileName) const
{
    if (m_outputFolder.isEmpty())
        return ProgramFolder::outputFile(fileName);
    return m_outputFolder + QLatin1Char('/') + fileName;
}

QString ReportFileSet::fixFormatPath() const
{
    return outputFile(QString::fromUtf16(kFixFormatFileName));
}

void ReportFileSet::openFixFormatFile()
{
    lockOutputFolder();
    m_fixFormat.open(fixFormatPath(), ReportFile::Mode::Output);
}

void ReportFileSet::writeFixFormatLine(const QString& line)
{
    if (m_fixFormat.isOpen())
        m_fixFormat.writeLine(line);
}

void ReportFileSet::closeFixFormatFile()
{
    m_fixFormat.close();
}

} // namespace orvex::report
