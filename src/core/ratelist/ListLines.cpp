#include "ratelist/ListLines.h"

#include "text/Windows1252.h"

#include <cstring>

namespace orvex::ratelist {

namespace {
const QByteArray kUtf8ByteOrderMark("\xEF\xBB\xBF");
}

ListLines ListLines::fromSourceBytes(QByteArray bytes, SourceNotes* notes)
{
    ListLines out;
    out.m_fromBytes = true;
    out.m_utf8 = bytes.startsWith(kUtf8ByteOrderMark);
    out.m_bytes = std::move(bytes);
    // CR, LF and the bytes between lines are the same in UTF-8 and Windows-1252, so both
    // split on the bytes: a line ends at CR or CR LF, a lone LF stays inside its line.
    const char* data = out.m_bytes.constData();
    const qsizetype size = out.m_bytes.size();
    qsizetype start = out.m_utf8 ? kUtf8ByteOrderMark.size() : 0;
    int lineFeeds = 0;
    while (start < size) {
        const void* found = std::memchr(data + start, '\r', size_t(size - start));
        const qsizetype cr = found ? static_cast<const char*>(found) - data : size;
        out.m_starts.push_back(start);
        out.m_lengths.push_back(int(cr - start));
        for (qsizetype i = start; i < cr; ++i)
            lineFeeds += data[i] == '\n' ? 1 : 0;
        start = cr + 1;
        if (start < size && data[start] == '\n')
            ++start;
    }
    if (notes) {
        notes->utf8ByteOrderMark = out.m_utf8;
        notes->lineFeedsInsideLines = lineFeeds;
    }
    return out;
}

QString ListLines::operator[](qsizetype i) const
{
    if (!m_fromBytes)
        return m_given[i];
    const char* line = m_bytes.constData() + m_starts[size_t(i)];
    const int length = m_lengths[size_t(i)];
    return m_utf8 ? QString::fromUtf8(line, length) : cp1252::decode(QByteArray::fromRawData(line, length));
}

QStringList ListLines::toStringList() const
{
    if (!m_fromBytes)
        return m_given;
    QStringList lines;
    lines.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        lines << (*this)[i];
    return lines;
}

SourceLines readSourceLines(const QString& path)
{
    SourceLines source;
    source.lines =
        ListLines::fromSourceBytes(readWholeFile(path, QStringLiteral("source file")), &source.notes);
    return source;
}

} // namespace orvex::ratelist
