#include "platform/OutputFile.h"

#include "Error.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace orvex {

namespace {

bool isLink(const QString& path)
{
#ifdef Q_OS_WIN
    const DWORD attributes =
        GetFileAttributesW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    return QFileInfo(path).isSymLink();
#endif
}

[[noreturn]] void throwLinked(const QString& path)
{
    const QString target = QFileInfo(path).symLinkTarget();
    throw Error(QStringLiteral("\"%1\" is a link%2, not a file of the output folder, and no file is written "
                               "through a link. Remove the link and run again.")
                    .arg(QDir::toNativeSeparators(path),
                         target.isEmpty()
                             ? QString()
                             : QStringLiteral(" to \"%1\"").arg(QDir::toNativeSeparators(target))));
}

} // namespace

void refuseLinkedFile(const QString& path)
{
    if (isLink(path))
        throwLinked(path);
}

bool openUnlinked(QFile& file, QIODevice::OpenMode mode)
{
    refuseLinkedFile(file.fileName());
#ifdef Q_OS_WIN
    return file.open(mode);
#else
    // O_NOFOLLOW closes the gap between the check and the open.
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    flags |= mode.testFlag(QIODevice::Append) ? O_APPEND : O_TRUNC;
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), flags, 0666);
    if (fd < 0) {
        if (errno == ELOOP)
            throwLinked(file.fileName());
        return file.open(mode); // for the system's own reason in errorString()
    }
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
#endif
}

QString writeUnlinkedFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    try {
        if (openUnlinked(file, QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
            return QString();
    } catch (const Error& e) {
        return e.message();
    }
    return file.errorString();
}

} // namespace orvex
