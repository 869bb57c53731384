#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The update resource: a rate list carried inside the program ("Load Update"). It is
// Windows-1252 text, lines ended by CR LF, one NUL byte after the last line break.
namespace orvex::ratelist {

// The resource as built into the program. Throws orvex::Error if this build lacks it.
QByteArray builtinUpdateResourceBytes();

// Decodes one character per byte and cuts the text into lines with cutWord on CR LF while
// text remains. An item keeps its text up to its first NUL, as the list it fills stores it:
// the trailing NUL of the resource becomes one last, empty item.
QStringList splitUpdateResource(const QByteArray& bytes);

// splitUpdateResource of the built-in resource.
QStringList loadBuiltinUpdateResource();

// splitUpdateResource of a file's bytes; throws orvex::Error naming the path and the reason
// when the file cannot be read.
QStringList loadUpdateResourceFile(const QString& path);

} // namespace orvex::ratelist
