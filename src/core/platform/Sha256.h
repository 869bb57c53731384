#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>

#include <array>
#include <cstdint>
#include <optional>

namespace orvex {

// SHA-256 of the run records and undo files the review pages and applies name: on a processor
// with the SHA extensions through them (a record of tens of thousands of changes is several
// megabytes, and the portable code takes longer over it than writing it), else through
// QCryptographicHash. Both give the same digest.
class Sha256
{
public:
    Sha256();

    void addData(QByteArrayView bytes);
    QByteArray result(); // the 32 bytes; ends the hashing
    static QByteArray hash(QByteArrayView bytes);

    // Whether this processor takes the SHA extensions path.
    static bool usesShaExtensions();

private:
    void compress(const unsigned char* blocks, size_t count);

    std::optional<QCryptographicHash> m_portable; // when the processor lacks the extensions
    std::array<std::uint32_t, 8> m_state{};
    std::array<unsigned char, 64> m_pending{};
    size_t m_pendingSize = 0;
    std::uint64_t m_length = 0; // bytes added
};

} // namespace orvex
