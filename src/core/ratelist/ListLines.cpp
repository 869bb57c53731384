#include "ratelist/ListLines.h"

#include "Error.h"
#include "text/Windows1252.h"

#include <cstring>
#include <limits>

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
    // Four bytes a line: a long list holds its lines' places as long as it is scanned.
    if (size > qsizetype(std::numeric_limits<quint32>::max()))
        throw Error(QStringLiteral("The list is larger than 4 GB, which no rate list is: check that the "
                                   "right file was chosen."));
    qsizetype start = out.m_utf8 ? kUtf8ByteOrderMark.size() : 0;
    int lineFeeds = 0;
    while (start < size) {
        const void* found = std::memchr(data + start, '\r', size_t(size - start));
        const qsizetype cr = found ? static_cast<const char*>(found) - data : size;
        out.m_starts.push_back(quint32(start));
        for (qsizetype i = start; i < cr; ++i)
            lineFeeds += data[i] == '\n' ? 1 : 0;
        start = cr + 1;
        if (start < size && data[start] == '\n')
            ++start;
    }
    out.m_starts.shrink_to_fit();
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
    const qsizetype start = m_starts[size_t(i)];
    const qsizetype end = lineEnd(i);
    const char* line = m_bytes.constData() + start;
    const qsizetype length = end - start;
    return m_utf8 ? QString::fromUtf8(line, length) : cp1252::decode(QByteArray::fromRawData(line, length));
}

// Where line `i` ends, before its CR or CR LF: the next line starts after them, and a line
// holds no CR (a lone LF inside a line is its own, and is kept).
qsizetype ListLines::lineEnd(qsizetype i) const
{
    const char* data = m_bytes.constData();
    const qsizetype start = m_starts[size_t(i)];
    if (size_t(i) + 1 == m_starts.size()) {
        const void* cr = std::memchr(data + start, '\r', size_t(m_bytes.size() - start));
        return cr ? static_cast<const char*>(cr) - data : m_bytes.size();
    }
    qsizetype end = qsizetype(m_starts[size_t(i) + 1]) - 1;
    if (data[end] == '\n')
        --end; // the LF of a CR LF: a lone LF never ends a line
    return end;
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
