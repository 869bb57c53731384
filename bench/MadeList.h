#pragma once

// A rate list of any length made from real codes: the WHO ICD-10 codes the sample ships,
// whose titles the sample's tbICDdiagMain holds, each line one of the scan's classes.

#include <QFile>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace orvex::bench {

// The WHO codes and titles (codes.txt: ";"-separated, Latin-1, a head line).
inline std::vector<std::pair<QString, QString>> whoCodes(const QString& path)
{
    QFile file(path);
    std::vector<std::pair<QString, QString>> codes;
    if (!file.open(QIODevice::ReadOnly))
        return codes;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = QString::fromLatin1(lines[i].trimmed()).split(QLatin1Char(';'));
        if (f.size() > 8)
            codes.emplace_back(f[6], f[8]);
    }
    return codes;
}

// `count` lines "code|description", CR LF ended, as Windows-1252 bytes. Of every eight:
// three as the table holds them, two with a changed description, two new codes with new
// descriptions, one new code with a description the table holds under another code.
inline QByteArray madeList(const std::vector<std::pair<QString, QString>>& codes, int count)
{
    QByteArray out;
    out.reserve(qsizetype(count) * 64);
    const int n = int(codes.size());
    for (int i = 0; i < count && n > 0; ++i) {
        const auto& [code, title] = codes[size_t(i % n)];
        const QString round = QString::number(i / n);
        QString line;
        switch (i % 8) {
        case 3:
        case 4:
            line = code + QLatin1Char('|') + title + QStringLiteral(" (revised ") + round + QLatin1Char(')');
            break;
        case 5:
        case 6:
            line = code + QStringLiteral("X") + round + QLatin1Char('|') + title +
                   QStringLiteral(" (variant ") + round + QLatin1Char(')');
            break;
        case 7:
            line = code + QStringLiteral("Y") + round + QLatin1Char('|') + title;
            break;
        default:
            line = code + QLatin1Char('|') + title;
        }
        out += line.toLatin1();
        out += "\r\n";
    }
    return out;
}

} // namespace orvex::bench
