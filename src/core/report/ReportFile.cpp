#include "report/ReportFile.h"

#include "Error.h"
#include "platform/OutputFile.h"
#include "platform/SystemText.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace orvex::report {

namespace {
// Lines are gathered up to this size before they go to the disk.
constexpr qsizetype kBufferSize = qsizetype(64) * 1024;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Writes every byte, asking again after a short write: only a write that takes no byte at all
// carries the system's reason ("No space left on device"), a short one carries none.
bool writeAll(QFile& file, const char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 written = file.write(data + done, size - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

QString failureReason(const QFile& file)
{
    const QString reason = file.errorString();
    return reason.isEmpty() || reason == QLatin1String("Unknown error")
               ? QStringLiteral("the data could not be written")
               : reason;
}

// Replaces `to` by `from` in one step where the system allows it.
bool renameOver(const QString& from, const QString& to, QString& reason)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    if (!error)
        return true;
    reason = QString::fromLocal8Bit(error.message());
    return false;
}
} // namespace

void ReportFile::open(const QString& path, Mode mode)
{
    discard();
    m_path = path;
    m_partPath = path + QStringLiteral(".part");
    m_buffer.clear();
    m_failed = false;
    m_failReason.clear();
    // A link in the report's place would have its target read into the report and replaced.
    refuseLinkedFile(path);
    const QFileInfo existing(path);
    if (existing.isDir()) {
        throw Error(
            Error::Kind::File,
            QStringLiteral("Cannot open the report file \"%1\": a folder of that name stands in its place.")
                .arg(native(path)));
    }
    QFile::remove(m_partPath); // what a run that died left
    m_file.setFileName(m_partPath);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        throw Error(Error::Kind::File, QStringLiteral("Cannot open the report file \"%1\": %2.")
                                           .arg(native(path), systemReason(m_file.errorString())));
    }
    if (mode != Mode::Append || !existing.isFile())
        return;
    // The earlier lines come first; a file that cannot be read would lose them on replacing.
    QFile earlier(path);
    try {
        if (!earlier.open(QIODevice::ReadOnly)) {
            throw Error(Error::Kind::File, QStringLiteral("Cannot open the report file \"%1\": %2.")
                                               .arg(native(path), systemReason(earlier.errorString())));
        }
        while (!earlier.atEnd()) {
            const QByteArray chunk = earlier.read(kBufferSize);
            if (chunk.isEmpty() && earlier.error() != QFileDevice::NoError) {
                throw Error(Error::Kind::File, QStringLiteral("Cannot read the report file \"%1\": %2.")
                                                   .arg(native(path), systemReason(earlier.errorString())));
            }
            writeOut(chunk.constData(), chunk.size());
        }
    } catch (...) {
        discard();
        throw;
    }
}

void ReportFile::writeLine(QStringView line)
{
    if (!m_file.isOpen())
        throwWriteError(QStringLiteral("the file is not open"));
    if (m_failed)
        throwWriteError(m_failReason);
    cp1252::appendEncoded(m_buffer, line);
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kBufferSize)
        writeBuffer();
}

void ReportFile::flush()
{
    if (!m_file.isOpen())
        return;
    if (m_failed)
        throwWriteError(m_failReason);
    writeBuffer();
}

void ReportFile::writeBuffer()
{
    if (m_buffer.isEmpty())
        return;
    // Emptied after the write, also when it fails and throws; its room is kept for the next lines.
    struct Emptied
    {
        QByteArray& buffer;
        ~Emptied() { buffer.resize(0); }
    } emptied{m_buffer};
    writeOut(m_buffer.constData(), m_buffer.size());
}

void ReportFile::writeOut(const char* data, qint64 size)
{
    if (writeAll(m_file, data, size))
        return;
    m_failed = true;
    m_failReason = failureReason(m_file);
    throwWriteError(m_failReason);
}

bool ReportFile::closePart() noexcept
{
    try {
        if (!m_failed)
            writeBuffer();
    } catch (...) {
        // m_failed says so.
    }
    m_file.close();
    if (m_file.error() != QFileDevice::NoError && !m_failed) {
        m_failed = true;
        m_failReason = failureReason(m_file);
    }
    return !m_failed;
}

void ReportFile::close()
{
    if (!m_file.isOpen())
        return;
    if (!closePart()) {
        QFile::remove(m_partPath);
        throwWriteError(m_failReason);
    }
    putInPlace(m_partPath);
}

void ReportFile::putInPlace(const QString& from) const
{
    QString reason;
    if (renameOver(from, m_path, reason))
        return;
    QFile::remove(from);
    throw Error(Error::Kind::File,
                QStringLiteral("Cannot replace the report file \"%1\" (it may be open in another program or "
                               "read-only): %2.")
                    .arg(native(m_path), systemReason(reason)));
}

void ReportFile::closeUnfinished(const QString& firstLine) noexcept
{
    if (!m_file.isOpen())
        return;
    try {
        if (!closePart()) {
            QFile::remove(m_partPath);
            return;
        }
        if (firstLine.isEmpty()) {
            putInPlace(m_partPath);
            return;
        }
        // The first line goes before what was written, in a second temporary file.
        const QString marked = m_path + QStringLiteral(".unfinished.part");
        QFile::remove(marked);
        QFile out(marked);
        QFile part(m_partPath);
        bool whole = out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) &&
                     part.open(QIODevice::ReadOnly);
        if (whole) {
            const QByteArray first = cp1252::encode(firstLine) + QByteArrayLiteral("\r\n");
            whole = writeAll(out, first.constData(), first.size());
            while (whole && !part.atEnd()) {
                const QByteArray chunk = part.read(kBufferSize);
                whole = !(chunk.isEmpty() && part.error() != QFileDevice::NoError) &&
                        writeAll(out, chunk.constData(), chunk.size());
            }
        }
        out.close();
        whole = whole && out.error() == QFileDevice::NoError;
        part.close();
        QFile::remove(m_partPath);
        if (!whole) {
            QFile::remove(marked);
            return;
        }
        putInPlace(marked);
    } catch (...) {
        // Never reports: the run's own failure is what reaches the user.
    }
}

void ReportFile::discard() noexcept
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    QFile::remove(m_partPath);
}

void ReportFile::throwWriteError(const QString& reason) const
{
    throw Error(
        Error::Kind::File,
        QStringLiteral("Cannot write the report file \"%1\": %2.").arg(native(m_path), systemReason(reason)));
}

} // namespace orvex::report
