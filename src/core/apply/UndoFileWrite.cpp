#include "apply/UndoFileWrite.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Transaction.h"
#include "platform/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace orvex::apply {

namespace {

void writeUndoFile(const QString& path, const QByteArray& text)
{
    refuseLinkedFile(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(Error::Kind::File, QStringLiteral("the undo file \"%1\" could not be written (%2)")
                                           .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

QString writeLoggedUndoFile(db::ActivityLog& activity, const db::LogIdentity& log, const UndoRecord& record,
                            const QString& outputFolder, const QDateTime& when)
{
    QDir().mkpath(outputFolder);
    QString path = newUndoFilePath(outputFolder, when);
    const QByteArray text = undoFileText(record);
    activity.append(log.user, log.workstation,
                    undoFileLogLine(record.runId, QFileInfo(path).fileName(), undoFileDigest(text)), when);
    writeUndoFile(path, text);
    return path;
}

void commitWithUndoFile(db::Transaction& transaction, QString& undoFile)
{
    try {
        transaction.commit();
    } catch (const Error&) {
        QFile::remove(undoFile);
        undoFile.clear();
        throw;
    }
}

} // namespace orvex::apply
