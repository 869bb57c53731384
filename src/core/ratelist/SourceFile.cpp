#include "ratelist/SourceFile.h"

#include "Error.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvex::ratelist {

QStringList splitSourceBytes(const QByteArray& bytes)
{
    // Decoding is one character per byte, so splitting the decoded text on CR is the same
    // as splitting the bytes.
    const QString text = cp1252::decode(bytes);
    const QStringView view(text);
    QStringList lines;
    qsizetype start = 0;
    while (start < view.size()) {
        const qsizetype cr = view.indexOf(QLatin1Char('\r'), start);
        if (cr < 0) {
            lines.append(view.sliced(start).toString());
            break;
        }
        lines.append(view.sliced(start, cr - start).toString());
        start = cr + 1;
        if (start < view.size() && view[start] == QLatin1Char('\n'))
            ++start;
    }
    return lines;
}

QByteArray readWholeFile(const QString& path, const QString& what)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (QFileInfo(path).isDir())
        throw Error(QStringLiteral("Cannot read the %1 \"%2\": it is a folder.").arg(what, shown));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open the %1 \"%2\": %3.").arg(what, shown, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read the %1 \"%2\": %3.").arg(what, shown, file.errorString()));
    return bytes;
}

QStringList readSourceFile(const QString& path)
{
    return splitSourceBytes(readWholeFile(path, QStringLiteral("source file")));
}

} // namespace orvex::ratelist
