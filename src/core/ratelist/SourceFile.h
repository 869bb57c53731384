#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading a source file into lines the way the double-click on a source file fills the list
// that the scan walks.
namespace orvex::ratelist {

// Splits 8-bit Windows-1252 text into lines: a line ends at CR or at CR LF; a lone LF stays
// inside its line; a last line without a break is kept; a final break adds no empty line;
// no bytes give no lines. Every byte is decoded (NULs and undefined bytes included).
QStringList splitSourceBytes(const QByteArray& bytes);

// What reading a source file found that changes how it reads, so that the user is told.
struct SourceNotes
{
    int lineFeedsInsideLines = 0; // lone LFs: a file with LF line ends reads as one line
    bool utf8ByteOrderMark = false;
};

struct SourceText
{
    QStringList lines;
    SourceNotes notes;
};

// splitSourceBytes, except that a file starting with the UTF-8 byte-order mark is decoded
// as UTF-8 without the mark (Windows-1252 output writes "?" for what it cannot hold).
SourceText splitSource(const QByteArray& bytes);
SourceText readSource(const QString& path);

// One message for the user per note, naming the file as `shownName`; none when all is plain.
QStringList sourceWarnings(const SourceNotes& notes, const QString& shownName);

// Reads the file at `path` with splitSource, without its notes. Throws orvex::Error naming the path and
// the reason when the file cannot be read.
QStringList readSourceFile(const QString& path);

// The whole content of a file; throws orvex::Error naming `what` (for example "source file"),
// the path and the reason when it cannot be read.
QByteArray readWholeFile(const QString& path, const QString& what);

} // namespace orvex::ratelist
