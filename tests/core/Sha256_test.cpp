// The digest a review page names must be the same whichever way this processor computes it.
#include "platform/Sha256.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using orvex::Sha256;

TEST(Sha256, givesQCryptographicHashsDigestForEveryLengthAndEverySplit)
{
    QRandomGenerator random(2024);
    QByteArray bytes(70'000, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    for (qsizetype length = 0; length <= 300; ++length) {
        const QByteArray part = bytes.left(length);
        EXPECT_EQ(Sha256::hash(part), QCryptographicHash::hash(part, QCryptographicHash::Sha256)) << length;
    }
    // Added in pieces of every size around a block's, and in one piece.
    Sha256 pieces;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype size = std::min<qsizetype>(random.bounded(1, 150), bytes.size() - at);
        pieces.addData(QByteArrayView(bytes).sliced(at, size));
        at += size;
    }
    const QByteArray expected = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    EXPECT_EQ(pieces.result(), expected);
    EXPECT_EQ(Sha256::hash(bytes), expected);
    EXPECT_EQ(Sha256::hash("abc").toHex(),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    std::printf("SHA extensions: %s\n", Sha256::usesShaExtensions() ? "used" : "not on this processor");
}
