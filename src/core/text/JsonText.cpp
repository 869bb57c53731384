#include "text/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLocale>

#include <cmath>

namespace orvex::text {

// Written straight into room made for the worst case (six bytes a UTF-16 unit), as a call
// per byte would cost more than the rest of a record of thousands of rows.
void appendJsonString(QByteArray& out, QStringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const qsizetype start = out.size();
    out.resize(start + 6 * text.size() + 2);
    char* p = out.data() + start;
    const auto escape = [&p](char16_t u) {
        *p++ = '\\';
        *p++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *p++ = kHex[(u >> shift) & 0xf];
    };
    const auto escaped = [&p](char c) {
        *p++ = '\\';
        *p++ = c;
    };
    *p++ = '"';
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u >= 0x20 && u < 0x80 && u != '"' && u != '\\') {
            *p++ = char(u);
        } else if (u < 0x80) {
            switch (u) {
            case '"':
                escaped('"');
                break;
            case '\\':
                escaped('\\');
                break;
            case '\b':
                escaped('b');
                break;
            case '\f':
                escaped('f');
                break;
            case '\n':
                escaped('n');
                break;
            case '\r':
                escaped('r');
                break;
            case '\t':
                escaped('t');
                break;
            default:
                escape(u);
            }
        } else if (u < 0x800) {
            *p++ = char(0xc0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t c = QChar::surrogateToUcs4(u, text[++i].unicode());
            *p++ = char(0xf0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3f));
            *p++ = char(0x80 | ((c >> 6) & 0x3f));
            *p++ = char(0x80 | (c & 0x3f));
        } else if (QChar::isSurrogate(u)) {
            escape(u);
        } else {
            *p++ = char(0xe0 | (u >> 12));
            *p++ = char(0x80 | ((u >> 6) & 0x3f));
            *p++ = char(0x80 | (u & 0x3f));
        }
    }
    *p++ = '"';
    out.resize(p - out.data()); // keeps the room made
}

void JsonText::separate()
{
    if (!m_first)
        m_out += ',';
    m_first = false;
}

void JsonText::open(char bracket)
{
    separate();
    m_out += bracket;
    m_first = true;
}

void JsonText::close(char bracket)
{
    m_out += bracket;
    m_first = false;
}

void JsonText::key(const char* name)
{
    separate();
    m_out += '"';
    m_out += name;
    m_out += "\":";
    m_first = true; // the value follows without a comma
}

void JsonText::scalar(const QVariant& v)
{
    separate();
    value(v);
}

void JsonText::scalar(const QString& s)
{
    separate();
    string(s);
}

void JsonText::map(const QVariantMap& values)
{
    open('{');
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        separate();
        string(it.key());
        m_out += ':';
        value(it.value());
    }
    close('}');
}

void JsonText::string(const QString& s)
{
    appendJsonString(m_out, s);
}

void JsonText::value(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        m_out += "null";
        return;
    case QMetaType::QString:
        string(v.toString());
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        m_out += v.toString().toLatin1();
        return;
    case QMetaType::Bool:
        m_out += v.toBool() ? "true" : "false";
        return;
    case QMetaType::Double:
        if (std::isfinite(v.toDouble())) {
            m_out += QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
            return;
        }
        break;
    default:
        break;
    }
    // Anything else as Qt writes it.
    const QByteArray json =
        QJsonDocument(QJsonArray{QJsonValue::fromVariant(v)}).toJson(QJsonDocument::Compact);
    m_out += json.mid(1, json.size() - 2);
}

} // namespace orvex::text
