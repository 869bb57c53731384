#pragma once

// One entry for arbitrary bytes read as a rate list, shared by the libFuzzer target and by
// an ordinary test over the seed corpus in tests/data/fuzz-seeds. It runs every reader of
// rate-list text over the bytes and checks what must hold for any input, comparing the fast
// splitting against a plain cutWord-based reference.

#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "text/GetWord.h"
#include "text/Windows1252.h"

#include <QByteArray>
#include <QString>

namespace orvex::fuzz {

namespace detail {

// The quadratic reference split of the update resource is only run on small inputs.
constexpr qsizetype kReferenceResourceLimit = 4096;

inline QString trimmedOfBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// The scan's split written the plain way, one cutWord call per field.
inline ratelist::ScanLine referenceSplit(QString rest, bool withAmounts)
{
    ratelist::ScanLine r;
    const QString pipe = QStringLiteral("|");
    if (rest.contains(pipe)) {
        const QString first = trimmedOfBlanks(cutWord(rest, pipe));
        if (first.isEmpty()) {
            r.kind = ratelist::ScanLine::Kind::GroupHeader;
            r.groupName = trimmedOfBlanks(cutWord(rest, pipe));
            return r;
        }
        r.code = first;
        r.description = trimmedOfBlanks(cutWord(rest, pipe));
        if (withAmounts) {
            r.amount = trimmedOfBlanks(cutWord(rest, pipe)).remove(QLatin1Char(','));
            r.pf = trimmedOfBlanks(cutWord(rest, pipe)).remove(QLatin1Char(','));
            r.hci = trimmedOfBlanks(cutWord(rest, pipe)).remove(QLatin1Char(','));
        }
    } else {
        r.code = trimmedOfBlanks(cutWord(rest, QStringLiteral(" ")));
        r.description = trimmedOfBlanks(rest);
    }
    r.code.remove(QLatin1Char('\t'));
    r.description.remove(QLatin1Char('\t'));
    return r;
}

inline bool sameSplit(const ratelist::ScanLine& a, const ratelist::ScanLine& b)
{
    return a.kind == b.kind && a.groupName == b.groupName && a.code == b.code &&
           a.description == b.description && a.amount == b.amount && a.pf == b.pf && a.hci == b.hci;
}

inline QString checkLine(const QString& line, qsizetype index)
{
    const QString where = QStringLiteral(" (line %1)").arg(index + 1);
    for (const bool withAmounts : {false, true}) {
        const ratelist::ScanLine split = ratelist::splitScanLine(line, withAmounts);
        if (!sameSplit(split, referenceSplit(line, withAmounts)))
            return QStringLiteral("splitScanLine differs from the cutWord reference") + where;
        if (split.code.contains(QLatin1Char('\t')) || split.description.contains(QLatin1Char('\t')))
            return QStringLiteral("a TAB survived in a code line") + where;
        if (split.amount.contains(QLatin1Char(',')) || split.pf.contains(QLatin1Char(',')) ||
            split.hci.contains(QLatin1Char(',')))
            return QStringLiteral("a comma survived in an amount") + where;
        if (!withAmounts && !(split.amount.isEmpty() && split.pf.isEmpty() && split.hci.isEmpty()))
            return QStringLiteral("amounts read without being asked for") + where;
    }
    const QString fixed = ratelist::fixFormatLine(line);
    const qsizetype dot = qMin<qsizetype>(3, line.size());
    if (fixed.size() != line.size() + 1 || fixed[dot] != QLatin1Char('.') ||
        QString(fixed).remove(dot, 1) != line)
        return QStringLiteral("fixFormatLine is not the line with one dot inserted") + where;
    return QString();
}

inline QString checkSourceLines(const QByteArray& bytes)
{
    const QStringList lines = ratelist::splitSourceBytes(bytes);
    // Joined with CR, the lines give the bytes back with CR LF read as CR and without a
    // final break.
    QByteArray expected = bytes;
    expected.replace("\r\n", "\r");
    if (expected.endsWith('\r'))
        expected.chop(1);
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('\r')))
            return QStringLiteral("a source line holds a CR");
    }
    if (cp1252::encode(lines.join(QLatin1Char('\r'))) != expected)
        return QStringLiteral("the source lines do not give the bytes back");
    if (bytes.isEmpty() != lines.isEmpty())
        return QStringLiteral("lines from no bytes, or no lines from some bytes");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (QString problem = checkLine(lines.at(i), i); !problem.isEmpty())
            return problem;
    }
    return QString();
}

inline QString checkUpdateResource(const QByteArray& bytes)
{
    const QStringList items = ratelist::splitUpdateResource(bytes);
    for (const QString& item : items) {
        if (item.contains(QChar(u'\0')))
            return QStringLiteral("an update resource item holds a NUL");
        if (item.contains(QStringLiteral("\r\n")))
            return QStringLiteral("an update resource item holds a CR LF");
    }
    if (bytes.size() <= kReferenceResourceLimit) {
        QString rest = cp1252::decode(bytes);
        QStringList reference;
        while (!rest.isEmpty()) {
            QString item = cutWord(rest, QStringLiteral("\r\n"));
            reference << item.left(item.indexOf(QChar(u'\0'))); // left(-1) keeps all
        }
        if (reference != items)
            return QStringLiteral("splitUpdateResource differs from the cutWord reference");
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (QString problem = checkLine(items.at(i), i); !problem.isEmpty())
            return QStringLiteral("update resource: ") + problem;
    }
    return QString();
}

} // namespace detail

// Empty when every check holds, else what went wrong.
inline QString checkRateListBytes(const QByteArray& bytes)
{
    if (cp1252::decode(bytes).size() != bytes.size() || cp1252::encode(cp1252::decode(bytes)) != bytes)
        return QStringLiteral("Windows-1252 decoding is not lossless");
    if (QString problem = detail::checkSourceLines(bytes); !problem.isEmpty())
        return problem;
    return detail::checkUpdateResource(bytes);
}

} // namespace orvex::fuzz
