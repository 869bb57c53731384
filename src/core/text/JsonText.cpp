#include "text/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLocale>

#include <cmath>

namespace orvex::text {

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
    m_out += '"';
    const QByteArray utf8 = s.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '"':
            m_out += "\\\"";
            break;
        case '\\':
            m_out += "\\\\";
            break;
        case '\n':
            m_out += "\\n";
            break;
        case '\r':
            m_out += "\\r";
            break;
        case '\t':
            m_out += "\\t";
            break;
        default:
            if (uchar(c) < 0x20) {
                m_out += "\\u00";
                m_out += "0123456789abcdef"[uchar(c) >> 4];
                m_out += "0123456789abcdef"[uchar(c) & 0xf];
            } else {
                m_out += c;
            }
        }
    }
    m_out += '"';
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
