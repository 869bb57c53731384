#include "ratelist/SourceFile.h"

#include "Error.h"
#include "platform/SystemText.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvex::ratelist {

namespace {
// Splits decoded text at CR and CR LF; a lone LF stays inside its line.
QStringList splitAtCarriageReturns(const QString& text)
{
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

const QByteArray kUtf8ByteOrderMark("\xEF\xBB\xBF");
} // namespace

QStringList splitSourceBytes(const QByteArray& bytes)
{
    // Decoding is one character per byte, so splitting the decoded text on CR is the same
    // as splitting the bytes.
    return splitAtCarriageReturns(cp1252::decode(bytes));
}

SourceText splitSource(const QByteArray& bytes)
{
    SourceText result;
    if (bytes.startsWith(kUtf8ByteOrderMark)) {
        result.notes.utf8ByteOrderMark = true;
        result.lines = splitAtCarriageReturns(QString::fromUtf8(bytes.sliced(kUtf8ByteOrderMark.size())));
    } else {
        result.lines = splitSourceBytes(bytes);
    }
    for (const QString& line : std::as_const(result.lines))
        result.notes.lineFeedsInsideLines += int(line.count(QLatin1Char('\n')));
    return result;
}

SourceText readSource(const QString& path)
{
    return splitSource(readWholeFile(path, QStringLiteral("source file")));
}

QStringList sourceWarnings(const SourceNotes& notes, const QString& shownName)
{
    QStringList warnings;
    if (notes.utf8ByteOrderMark) {
        warnings << QStringLiteral(
                        "%1 starts with a UTF-8 byte-order mark: it was read as UTF-8 and the mark "
                        "was dropped. Characters that Windows-1252 cannot hold are written as \"?\" "
                        "in the reports and scripts.")
                        .arg(shownName);
    }
    if (notes.lineFeedsInsideLines > 0) {
        warnings << QStringLiteral("%1 holds %2 line feed(s) without a carriage return. Lines end only at a "
                                   "carriage return, so the codes after each of them are read as part of the "
                                   "line before and are not scanned. Save the file with Windows line ends "
                                   "(CR LF) and load it again.")
                        .arg(shownName)
                        .arg(notes.lineFeedsInsideLines);
    }
    return warnings;
}

QByteArray readWholeFile(const QString& path, const QString& what)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (QFileInfo(path).isDir())
        throw Error(Error::Kind::File,
                    QStringLiteral("Cannot read the %1 \"%2\": it is a folder.").arg(what, shown));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(Error::Kind::File, QStringLiteral("Cannot open the %1 \"%2\": %3.")
                                           .arg(what, shown, systemReason(file.errorString())));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(Error::Kind::File, QStringLiteral("Cannot read the %1 \"%2\": %3.")
                                           .arg(what, shown, systemReason(file.errorString())));
    return bytes;
}

QStringList readSourceFile(const QString& path)
{
    return readSource(path).lines;
}

} // namespace orvex::ratelist
