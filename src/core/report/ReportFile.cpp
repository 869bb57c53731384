#include "report/ReportFile.h"

#include "Error.h"
#include "platform/OutputFile.h"
#include "text/Windows1252.h"

#include <QDir>

namespace orvex::report {

void ReportFile::open(const QString& path, Mode mode)
{
    closeQuietly();
    m_path = path;
    m_file.setFileName(path);
    const QIODevice::OpenMode flags = mode == Mode::Append ? QIODevice::WriteOnly | QIODevice::Append
                                                           : QIODevice::WriteOnly | QIODevice::Truncate;
    // A log that is appended to stays in place: a link there would add to any file.
    const bool opened = mode == Mode::Append ? openUnlinked(m_file, flags) : m_file.open(flags);
    if (!opened) {
        throw Error(QStringLiteral("Cannot open the report file \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(path), m_file.errorString()));
    }
}

void ReportFile::writeLine(QStringView line)
{
    if (!m_file.isOpen())
        throwWriteError(QStringLiteral("the file is not open"));
    QByteArray bytes = cp1252::encode(line);
    bytes.append("\r\n", 2);
    // QFile buffers; a write that must flush the buffer first reports its failure here.
    if (m_file.write(bytes) != bytes.size())
        throwWriteError(m_file.errorString());
}

void ReportFile::close()
{
    if (!m_file.isOpen())
        return;
    const bool flushed = m_file.flush();
    const QString reason = m_file.errorString();
    m_file.close();
    if (!flushed || m_file.error() != QFileDevice::NoError)
        throwWriteError(flushed ? m_file.errorString() : reason);
}

void ReportFile::closeQuietly() noexcept
{
    try {
        if (m_file.isOpen())
            m_file.close();
    } catch (...) {
        // Closing quietly never reports.
    }
}

void ReportFile::throwWriteError(const QString& reason) const
{
    throw Error(QStringLiteral("Cannot write the report file \"%1\": %2.")
                    .arg(QDir::toNativeSeparators(m_path), reason));
}

} // namespace orvex::report
