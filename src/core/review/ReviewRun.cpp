#include "review/ReviewRun.h"

#include "Error.h"
#include "platform/OutputFile.h"
#include "platform/SystemText.h"
#include "report/ReportFileSet.h"
#include "text/Numbers.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>

namespace orvex::review {

QString reviewDateTime(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString changePercent(const QString& before, const QString& after)
{
    if (before.trimmed().isEmpty() || after.trimmed().isEmpty())
        return {};
    const double from = numbers::leadingNumber(before);
    if (from == 0)
        return {};
    const double percent = (numbers::leadingNumber(after) - from) / from * 100.0;
    QString text = QString::number(percent, 'f', 1);
    if (text == QLatin1String("-0.0"))
        text = QStringLiteral("0.0");
    return (percent > 0 && text != QLatin1String("0.0") ? QStringLiteral("+") : QString()) + text +
           QLatin1Char('%');
}

namespace {
// The file is replaced only when every byte was written: a write that fails is remembered
// by QSaveFile and makes the commit fail.
void writeWhole(const QString& path, void (*write)(const ReviewRun&, QIODevice&), const ReviewRun& run)
{
    refuseLinkedFile(path); // a saved file replaces a link's target, wherever it points
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        write(run, file);
        if (file.commit())
            return;
    }
    throw Error(Error::Kind::File,
                QStringLiteral("Cannot write the review file \"%1\": %2.")
                    .arg(QDir::toNativeSeparators(path), systemReason(file.errorString())));
}

QByteArray inMemory(void (*write)(const ReviewRun&, QIODevice&), const ReviewRun& run)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(run, buffer);
    return buffer.data();
}
} // namespace

QByteArray reviewPage(const ReviewRun& run)
{
    return inMemory(writeReviewPage, run);
}

QByteArray changeList(const ReviewRun& run)
{
    return inMemory(writeChangeList, run);
}

QString reviewPagePath(const QString& outputFolder)
{
    return QDir(outputFolder).filePath(QString::fromUtf16(kReviewPageName));
}

QString changeListPath(const QString& outputFolder)
{
    return QDir(outputFolder).filePath(QString::fromUtf16(kChangeListName));
}

void removeReviewFiles(const QString& outputFolder)
{
    report::deleteFileQuietly(reviewPagePath(outputFolder));
    report::deleteFileQuietly(changeListPath(outputFolder));
}

void writeReviewPageFile(const ReviewRun& run, const QString& outputFolder)
{
    writeWhole(reviewPagePath(outputFolder), writeReviewPage, run);
}

void writeChangeListFile(const ReviewRun& run, const QString& outputFolder)
{
    writeWhole(changeListPath(outputFolder), writeChangeList, run);
}

void writeReviewFiles(const ReviewRun& run, const QString& outputFolder)
{
    writeReviewPageFile(run, outputFolder);
    writeChangeListFile(run, outputFolder);
}

} // namespace orvex::review
