#pragma once

#include <QFile>
#include <QString>

namespace orvex::report {

// One report file: Windows-1252 lines ended by CR LF, written through a buffer. Any write
// failure surfaces as orvex::Error naming the file, at the latest when the file is closed.
class ReportFile
{
public:
    enum class Mode { Append, Output }; // Output empties an existing file

    ReportFile() = default;
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    ~ReportFile() { closeQuietly(); }

    // Throws orvex::Error naming the file and the reason when it cannot be opened.
    void open(const QString& path, Mode mode);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }

    // Throws orvex::Error when the file is not open or the data cannot be written (disk full).
    void writeLine(QStringView line);

    // Writes what is buffered and closes; throws orvex::Error naming the file when the data
    // could not be written. The file is closed either way. Does nothing when not open.
    void close();
    // The same without reporting anything.
    void closeQuietly() noexcept;

private:
    [[noreturn]] void throwWriteError(const QString& reason) const;

    QString m_path;
    QFile m_file;
};

} // namespace orvex::report
