#include "review/ReviewRun.h"

#include "Error.h"
#include "text/Numbers.h"

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
void writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw Error(QStringLiteral("Cannot write the review file \"%1\": %2.")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
}
} // namespace

void writeReviewFiles(const ReviewRun& run, const QString& outputFolder)
{
    const QDir folder(outputFolder);
    writeWhole(folder.filePath(QString::fromUtf16(kReviewPageName)), reviewPage(run));
    writeWhole(folder.filePath(QString::fromUtf16(kChangeListName)), changeList(run));
}

} // namespace orvex::review
