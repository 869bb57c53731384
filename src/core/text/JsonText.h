#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace orvex::text {

// Appends `text` as a JSON string as QJsonDocument writes it: the same escapes, the rest as
// UTF-8, a lone surrogate as "\u" and its number.
void appendJsonString(QByteArray& out, QStringView text);

// Compact JSON written by hand, for the files and statements that hold thousands of rows:
// building a QJsonObject or QJsonArray for each costs more than the rest of the work. Values
// are written as QJsonValue::fromVariant gives them; members in the order they are written.
class JsonText
{
public:
    void open(char bracket); // '{' or '[' as a value or an item
    void close(char bracket);
    void key(const char* name); // the next value is this member's
    void scalar(const QVariant& v);
    void scalar(const QString& s);       // a string, without the detour through a QVariant
    void map(const QVariantMap& values); // an object, its keys in order as QJsonObject has them

    QByteArray take() { return std::move(m_out); }

private:
    void separate(); // a comma before every item but the first
    void string(const QString& s);
    void value(const QVariant& v);

    QByteArray m_out;
    bool m_first = true;
};

} // namespace orvex::text
