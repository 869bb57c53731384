#include "text/Windows1252.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace orvex::cp1252 {

namespace {
// 0x80..0x9F; the undefined slots hold their own value.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const std::unordered_map<char16_t, char>& reverseHigh()
{
    static const auto map = [] {
        std::unordered_map<char16_t, char> m;
        for (int i = 0; i < 32; ++i)
            m.emplace(kHigh[i], char(0x80 + i));
        return m;
    }();
    return map;
}

bool isUndefinedByte(unsigned byte)
{
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}
} // namespace

QString decode(const QByteArray& bytes)
{
    // Windows-1252 is Latin-1 but for the bytes 0x80 to 0x9F: Qt turns Latin-1 into UTF-16
    // many bytes at a time, and those few are looked for eight at a time and put right.
    QString text = QString::fromLatin1(QByteArrayView(bytes));
    const auto* in = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    QChar* out = nullptr;
    for (qsizetype i = 0; i < size;) {
        if (i + 8 <= size) {
            quint64 word = 0;
            std::memcpy(&word, in + i, 8);
            // A zero byte here is one of 0x80 to 0x9F there.
            const quint64 v = (word & 0xE0E0E0E0E0E0E0E0ULL) ^ 0x8080808080808080ULL;
            if (((v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        for (const qsizetype end = std::min(size, i + 8); i < end; ++i) {
            if ((in[i] & 0xE0) == 0x80) {
                if (out == nullptr)
                    out = text.data();
                out[i] = QChar(kHigh[in[i] - 0x80]);
            }
        }
    }
    return text;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes;
    appendEncoded(bytes, text);
    return bytes;
}

void appendEncoded(QByteArray& out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* bytes = out.data() + start;
    const auto& high = reverseHigh();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes[i] = char(c);
        } else if (auto it = high.find(c); it != high.end()) {
            bytes[i] = it->second;
        } else {
            bytes[i] = '?'; // not representable in the code page
        }
    }
}

bool isPrintable(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F)
        return false;
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return true;
    const auto& high = reverseHigh();
    const auto it = high.find(u);
    return it != high.end() && !isUndefinedByte(static_cast<unsigned char>(it->second));
}

} // namespace orvex::cp1252
