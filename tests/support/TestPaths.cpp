#include "support/TestPaths.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace orvex::test {

QString sourcePath(const QString& relative)
{
    return QStringLiteral(ORVEX_SOURCE_DIR "/") + relative;
}

QString fixturePath(const QString& relative)
{
    return QStringLiteral(ORVEX_TEST_DATA_DIR "/") + relative;
}

QString binPath(const QString& executable)
{
#ifdef Q_OS_WIN
    // Programs are named without their suffix, as on Linux.
    if (!executable.contains(QLatin1Char('.')))
        return QStringLiteral(ORVEX_BIN_DIR "/") + executable + QStringLiteral(".exe");
#endif
    return QStringLiteral(ORVEX_BIN_DIR "/") + executable;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

TempProgramFolder::TempProgramFolder()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("output"));
    ProgramFolder::setOverride(m_dir.path());
}

TempProgramFolder::~TempProgramFolder()
{
    ProgramFolder::setOverride(QString());
}

QString TempProgramFolder::outputFile(const QString& name) const
{
    return m_dir.path() + QStringLiteral("/output/") + name;
}

} // namespace orvex::test
