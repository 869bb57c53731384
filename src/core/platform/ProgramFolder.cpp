#include "platform/ProgramFolder.h"

#include "platform/PortableInstall.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace orvex {

namespace {
QString& overrideFolder()
{
    static QString folder;
    return folder;
}

bool isWritableFolder(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    // QFileInfo::isWritable looks only at permission bits; a real probe also catches
    // read-only mounts.
    QTemporaryFile probe(folder + QStringLiteral("/.orvex-probe-XXXXXX"));
    return probe.open();
}

QString computeDefault()
{
    QString exeFolder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (isWritableFolder(exeFolder))
        return exeFolder;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share/orvex");
    QDir().mkpath(data);
    // An install for all users: the program is not writable, its rate lists are seeded.
    if (!exeFolder.isEmpty())
        seedMissingFiles(exeFolder + QStringLiteral("/program-folder"), data);
    return data;
}
} // namespace

QString ProgramFolder::path()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    static const QString folder = computeDefault();
    return folder;
}

void ProgramFolder::setOverride(const QString& folder)
{
    overrideFolder() = folder.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QString ProgramFolder::outputFolder()
{
    return path() + QStringLiteral("/output");
}

QString ProgramFolder::outputFile(const QString& fileName)
{
    return outputFolder() + QLatin1Char('/') + fileName;
}

QString ProgramFolder::resolve(const QString& windowsSuffix)
{
    QString suffix = windowsSuffix;
    suffix.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (suffix.startsWith(QLatin1Char('/')))
        suffix.remove(0, 1);
    const qsizetype slash = suffix.indexOf(QLatin1Char('/'));
    const QString first = slash < 0 ? suffix : suffix.left(slash);
    if (first.compare(QLatin1String("output"), Qt::CaseInsensitive) == 0)
        return outputFolder() + (slash < 0 ? QString() : suffix.mid(slash));
    return suffix.isEmpty() ? path() : path() + QLatin1Char('/') + suffix;
}

void ProgramFolder::ensureFolder(const QString& folder)
{
    QDir().mkpath(folder); // failures are ignored on purpose
}

} // namespace orvex
