#include "ratelist/UpdateResource.h"

#include "Error.h"
#include "ratelist/SourceFile.h"
#include "text/GetWord.h"
#include "text/Windows1252.h"

#include <QFile>

namespace orvex::ratelist {

namespace {
const QString kResourcePath = QStringLiteral(":/ratelist/UpdateResource101.txt");
constexpr QStringView kLineBreak = u"\r\n";
} // namespace

QByteArray builtinUpdateResourceBytes()
{
    QFile resource(kResourcePath);
    if (!resource.open(QIODevice::ReadOnly))
        throw Error(Error::Kind::File,
                    QStringLiteral("The built-in update resource is missing from this build (%1).")
                        .arg(kResourcePath));
    return resource.readAll();
}

QStringList splitUpdateResource(const QByteArray& bytes)
{
    const QString text = cp1252::decode(bytes);
    QStringList items;
    WordCursor cursor(text);
    while (!cursor.atEnd()) {
        QStringView item = cursor.next(kLineBreak);
        const qsizetype nul = item.indexOf(QChar(u'\0'));
        if (nul >= 0)
            item = item.left(nul);
        items.append(item.toString());
    }
    return items;
}

QStringList loadBuiltinUpdateResource()
{
    return splitUpdateResource(builtinUpdateResourceBytes());
}

QStringList loadUpdateResourceFile(const QString& path)
{
    return splitUpdateResource(readWholeFile(path, QStringLiteral("update resource file")));
}

} // namespace orvex::ratelist
