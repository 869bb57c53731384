// Build-time generator of the update resource, the rate list carried inside the program.
//
// Input: a yearly rate file (Windows-1252, one code per line, CR LF, fields
// code|description|case rate|health facility fee|professional fee, no group header lines).
// Output, for every code line in file order:
//   "|" + description + "|||"                       a group header named by the description
//   code|description|case rate|professional fee|health facility fee
// that is the rate file's fields 4 and 5 swapped, because the scan reads its fourth field as
// the professional fee and its fifth as the hospital share. Amounts stay exactly as printed
// (thousands commas and decimals). Every line ends with CR LF and one NUL byte follows the
// last one, the shape the scan expects of the resource. The work is done on bytes, so the
// Windows-1252 letters pass through untouched.
//
// Usage: orvex_make_update_resource INPUT OUTPUT
#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "orvex_make_update_resource: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail(QStringLiteral("usage: orvex_make_update_resource INPUT OUTPUT"));
    const QString inputPath = QString::fromLocal8Bit(argv[1]);
    const QString outputPath = QString::fromLocal8Bit(argv[2]);

    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(inputPath, input.errorString()));
    QByteArray text = input.readAll();
    if (text.endsWith("\r\n"))
        text.chop(2);

    QByteArray resource;
    resource.reserve(text.size() * 2);
    int lineNumber = 0;
    int codeLines = 0;
    for (const QByteArray& line : text.split('\n')) {
        ++lineNumber;
        QByteArray body = line;
        if (body.endsWith('\r'))
            body.chop(1);
        if (body.isEmpty())
            continue;
        const QByteArrayList fields = body.split('|');
        if (fields.size() != 5) {
            return fail(QStringLiteral("%1 line %2: expected 5 fields separated by \"|\", found %3")
                            .arg(inputPath)
                            .arg(lineNumber)
                            .arg(fields.size()));
        }
        resource += '|' + fields[1] + "|||\r\n";
        resource +=
            fields[0] + '|' + fields[1] + '|' + fields[2] + '|' + fields[4] + '|' + fields[3] + "\r\n";
        ++codeLines;
    }
    if (codeLines == 0)
        return fail(QStringLiteral("%1 holds no code lines").arg(inputPath));
    resource += '\0';

    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly) || output.write(resource) != resource.size() || !output.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, output.errorString()));
    return 0;
}
