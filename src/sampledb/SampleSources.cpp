#include "sampledb/SampleSources.h"

#include "Error.h"
#include "text/Numbers.h"
#include "text/Windows1252.h"

#include <QFile>

namespace orvex::sampledb {

namespace {

// The lines of a Windows-1252 text file, line ends (LF or CR LF) removed, no empty
// last line.
QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("The sample data file %1 cannot be read: %2").arg(path, file.errorString()));
    QStringList lines = cp1252::decode(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList fieldsOf(const QString& path, const QString& line, int lineNumber, QChar separator, int count)
{
    QStringList fields = line.split(separator);
    if (fields.size() != count)
        throw Error(QStringLiteral("%1, line %2: expected %3 fields separated by \"%4\", found %5")
                        .arg(path)
                        .arg(lineNumber)
                        .arg(count)
                        .arg(separator)
                        .arg(fields.size()));
    return fields;
}

// Every row of a data file: `make` gets the fields and the 1-based line number. WHO files
// start with a header line and separate by ";", the PhilHealth files by "|".
template <typename Row, typename Make>
QList<Row> readRows(const QString& path, bool header, QChar separator, int fieldCount, Make make)
{
    const QStringList lines = linesOf(path);
    QList<Row> rows;
    rows.reserve(lines.size());
    for (int i = header ? 1 : 0; i < lines.size(); ++i)
        rows.append(make(fieldsOf(path, lines[i], i + 1, separator, fieldCount), i + 1));
    return rows;
}

template <typename Row, typename Make> QList<Row> readWho(const QString& path, int fieldCount, Make make)
{
    return readRows<Row>(path, true, QLatin1Char(';'), fieldCount,
                         [&make](const QStringList& f, int) { return make(f); });
}

QList<RateLine> readRateFile(const QString& path)
{
    return readRows<RateLine>(path, false, QLatin1Char('|'), 5, [](const QStringList& f, int lineNumber) {
        return RateLine{lineNumber, f[0], f[1], f[2], f[3], f[4]};
    });
}

QList<LibraryRow> readLibrary(const QString& path)
{
    return readRows<LibraryRow>(path, false, QLatin1Char('|'), 3, [](const QStringList& f, int) {
        return LibraryRow{f[0], f[1]};
    });
}

} // namespace

Sources loadSources(const QString& root)
{
    Sources s;
    s.chapters = readWho<WhoChapter>(root + QStringLiteral("/who-icd10-2010/chapters.txt"), 2,
                                     [](const QStringList& f) {
                                         return WhoChapter{f[0], f[1]};
                                     });
    s.blocks =
        readWho<WhoBlock>(root + QStringLiteral("/who-icd10-2010/blocks.txt"), 4, [](const QStringList& f) {
            return WhoBlock{f[0], f[1], f[2], f[3]};
        });
    s.codes =
        readWho<WhoCode>(root + QStringLiteral("/who-icd10-2010/codes.txt"), 14, [](const QStringList& f) {
            return WhoCode{f[0].toInt(), f[1] == QLatin1String("T"), f[3], f[4], f[5], f[6], f[7], f[8]};
        });
    s.medical = readRateFile(root + QStringLiteral("/philhealth-caserates-2024/ICD PH 2024.txt"));
    s.procedures =
        readRateFile(root + QStringLiteral("/philhealth-caserates-2024/ICD PH 2024_PROCEDURE.txt"));
    s.library = readLibrary(root + QStringLiteral("/philhealth-konsulta-lib-icd/konsulta_lib_icd.txt"));
    return s;
}

double amountOf(const QString& printed)
{
    QString digits = printed;
    digits.remove(QLatin1Char(','));
    return numbers::leadingNumber(digits);
}

} // namespace orvex::sampledb
