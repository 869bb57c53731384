#include "db/OdbcConnectionString.h"

namespace orvex::db {

namespace {
bool isPasswordKey(const QString& key)
{
    return key.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0;
}
} // namespace

OdbcAttributes parseOdbcConnectionString(const QString& s)
{
    OdbcAttributes result;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const qsizetype eq = s.indexOf(QLatin1Char('='), i);
        const qsizetype semi = s.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            // A segment without "=": keep it as a key without value.
            const qsizetype end = semi < 0 ? n : semi;
            const QString key = s.mid(i, end - i).trimmed();
            if (!key.isEmpty())
                result.append({key, QString()});
            i = end + 1;
            continue;
        }
        const QString key = s.mid(i, eq - i).trimmed();
        i = eq + 1;
        QString value;
        if (i < n && s[i] == QLatin1Char('{')) {
            ++i;
            while (i < n) {
                if (s[i] == QLatin1Char('}')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            const qsizetype end = s.indexOf(QLatin1Char(';'), i);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = s.indexOf(QLatin1Char(';'), i);
            value = s.mid(i, (end < 0 ? n : end) - i).trimmed();
            i = end < 0 ? n : end + 1;
        }
        if (!key.isEmpty())
            result.append({key, value});
    }
    return result;
}

QString odbcAttribute(const QString& connectionString, const QString& key)
{
    for (const auto& [k, v] : parseOdbcConnectionString(connectionString))
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return QString();
}

QString odbcQuoted(const QString& value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{')) ||
                             value.contains(QLatin1Char('}')) || value.contains(QLatin1Char('=')) ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString withoutOdbcPassword(const QString& connectionString)
{
    QString result;
    for (const auto& [k, v] : parseOdbcConnectionString(connectionString)) {
        if (isPasswordKey(k))
            continue;
        result = withOdbcAttribute(result, k, v);
    }
    return result;
}

QString withoutOdbcAttributes(const QString& connectionString, const QStringList& keys)
{
    QString result;
    for (const auto& [k, v] : parseOdbcConnectionString(connectionString)) {
        if (keys.contains(k.trimmed(), Qt::CaseInsensitive))
            continue;
        result = withOdbcAttribute(result, k, v);
    }
    return result;
}

QString withOdbcAttribute(const QString& connectionString, const QString& key, const QString& value)
{
    QString result = connectionString;
    if (!result.isEmpty() && !result.endsWith(QLatin1Char(';')))
        result += QLatin1Char(';');
    // Driver names are conventionally braced, whatever they hold.
    const bool brace = key.compare(QLatin1String("DRIVER"), Qt::CaseInsensitive) == 0 && !value.isEmpty();
    if (brace) {
        QString escaped = value;
        escaped.replace(QLatin1String("}"), QLatin1String("}}"));
        return result + key + QLatin1String("={") + escaped + QLatin1Char('}');
    }
    return result + key + QLatin1Char('=') + odbcQuoted(value);
}

} // namespace orvex::db
