#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace orvex::report {

// One report file: Windows-1252 lines ended by CR LF. The lines go to a temporary file beside
// it ("<name>.part") that takes the file's place only once complete, so that a run that fails
// part-way never leaves a file whose last line is cut off (a script ending in an UPDATE
// without its WHERE). Any write failure surfaces as orvex::Error naming the file, at the latest
// when the file is closed.
class ReportFile
{
public:
    enum class Mode { Append, Output }; // Output empties an existing file

    ReportFile() = default;
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    ~ReportFile() { discard(); }

    // Append: the file's lines so far come first. Throws orvex::Error naming the file and
    // the reason when it cannot be opened.
    void open(const QString& path, Mode mode);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }

    // Throws orvex::Error when the file is not open or the data cannot be written (disk full).
    void writeLine(QStringView line);
    // Writes what is buffered; throws orvex::Error naming the file when it cannot be written.
    void flush();

    // Writes what is buffered and puts the complete file in its place; throws orvex::Error
    // naming the file when that fails, the earlier file then staying as it was. The file is
    // closed either way. Does nothing when not open.
    void close();
    // For a run that did not finish: keeps what was written, after `firstLine` when it is not
    // empty, when every byte of it reached the disk; otherwise removes it. Never reports.
    void closeUnfinished(const QString& firstLine = QString()) noexcept;
    // Closes and throws away what was written; the earlier file stays as it was. Never reports.
    void discard() noexcept;

private:
    void writeOut(const char* data, qint64 size);
    void writeBuffer();
    bool closePart() noexcept;
    void putInPlace(const QString& from) const;
    [[noreturn]] void throwWriteError(const QString& reason) const;

    QString m_path;
    QString m_partPath;
    QFile m_file;
    QByteArray m_buffer;
    bool m_failed = false; // a write failed: the temporary file is not whole
    QString m_failReason;
};

} // namespace orvex::report
