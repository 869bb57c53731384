#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace orvex::test {

// Files the repository ships: data/ (real public rate lists) and tests/data/ (fixtures).
QString sourcePath(const QString& relative);  // relative to the repository root
QString fixturePath(const QString& relative); // relative to tests/data
QString binPath(const QString& executable);   // the build's bin folder

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// A throw-away program folder with an output folder inside; it becomes the
// program folder for as long as it lives.
class TempProgramFolder
{
public:
    TempProgramFolder();
    ~TempProgramFolder();
    QString path() const { return m_dir.path(); }
    QString outputFile(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

} // namespace orvex::test
