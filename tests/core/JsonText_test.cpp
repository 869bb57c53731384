// The hand-written JSON must be byte for byte what QJsonDocument writes: the review page and
// the run record are compared with files written that way, and their digests named.
#include "text/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using orvex::text::appendJsonString;
using orvex::text::JsonText;

namespace {

QByteArray asQtWritesIt(const QString& s)
{
    const QByteArray array = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

TEST(JsonText, writesEveryTextAsQJsonDocumentDoes)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("plain A00.0 - Cholera"),
        QStringLiteral("quote \" backslash \\ slash / star * lt < gt >"),
        QStringLiteral("tab\tnewline\nreturn\rbackspace\bformfeed\f"),
        QString(QChar(0x01)) + QChar(0x1f) + QChar(0x7f),
        QStringLiteral("Windows-1252: \u20ac \u00e9 \u2019 \u00a0"),
        QString::fromUcs4(U"astral \U0001F600 pair"),
        QString(QChar(0xd800)) + QStringLiteral(" lone high, lone low ") + QChar(0xdc00),
    };
    for (const QString& s : texts) {
        QByteArray direct;
        appendJsonString(direct, s);
        EXPECT_EQ(direct, asQtWritesIt(s)) << s.toStdString();

        JsonText viaWriter;
        viaWriter.scalar(s);
        EXPECT_EQ(viaWriter.take(), asQtWritesIt(s)) << s.toStdString();
    }
}
