#include "support/Golden.h"

#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace orvex::test {

void expectGolden(const QByteArray& produced, const QString& golden, const QString& what)
{
    if (qEnvironmentVariableIntValue("ORVEX_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QFileInfo(golden).path());
        writeBytes(golden, produced);
    }
    EXPECT_TRUE(produced == readBytes(golden))
        << what.toStdString() << " differs from " << golden.toStdString();
}

void expectGoldenFiles(const QString& producedFolder, const QStringList& names, const QString& goldenFolder)
{
    for (const QString& name : names) {
        const QString produced = producedFolder + QLatin1Char('/') + name;
        const QString golden = goldenFolder + QLatin1Char('/') + name + QStringLiteral(".golden");
        if (!QFile::exists(produced)) {
            EXPECT_FALSE(QFile::exists(golden)) << name.toStdString() << " was not written";
            continue;
        }
        expectGolden(readBytes(produced), golden, name);
    }
}

void expectFolderHolds(const QString& folder, QStringList names)
{
    QStringList held =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    held.sort();
    names.sort();
    EXPECT_EQ(held, names) << "in " << folder.toStdString();
}

} // namespace orvex::test
