#pragma once

#include "ratelist/SourceFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvex::ratelist {

// The lines a scan walks: either handed over as strings, or held as a source file's bytes
// and decoded a line at a time when asked for, so that a list of hundreds of thousands of
// lines takes a byte a character instead of a string a line. Both read as splitSource reads.
class ListLines
{
public:
    ListLines() = default;
    ListLines(QStringList lines) : m_given(std::move(lines)) {} // NOLINT(google-explicit-constructor)
    ListLines(std::initializer_list<QString> lines) : m_given(lines) {}

    // The lines of a source file's bytes, as splitSource splits them; its notes into `notes`.
    static ListLines fromSourceBytes(QByteArray bytes, SourceNotes* notes = nullptr);

    qsizetype size() const { return m_fromBytes ? qsizetype(m_starts.size()) : m_given.size(); }
    bool isEmpty() const { return size() == 0; }
    QString operator[](qsizetype i) const; // decoded
    QStringList toStringList() const;

private:
    QStringList m_given;
    bool m_fromBytes = false;
    bool m_utf8 = false; // the bytes after a UTF-8 byte-order mark, else Windows-1252
    QByteArray m_bytes;
    std::vector<quint32> m_starts; // of each line's bytes; the next line's start gives its end
    qsizetype lineEnd(qsizetype i) const;
};

// The source file at `path` as lines held as its bytes, with its notes. Throws orvex::Error
// naming the path and the reason when the file cannot be read.
struct SourceLines
{
    ListLines lines;
    SourceNotes notes;
};
SourceLines readSourceLines(const QString& path);

} // namespace orvex::ratelist
