#include "platform/PortableInstall.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace orvex {

void keepSettingsBesideIfPortable()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(QDir(exeFolder).filePath(kPortableMarker)))
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, exeFolder);
}

void seedMissingFiles(const QString& from, const QString& to)
{
    const QDir source(from);
    for (const QString& name : source.entryList(QDir::Files)) {
        const QString target = QDir(to).filePath(name);
        if (!QFileInfo::exists(target))
            QFile::copy(source.filePath(name), target); // a failure leaves the file to the user
    }
}

} // namespace orvex
