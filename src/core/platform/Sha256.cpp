#include "platform/Sha256.h"

#include <cstddef>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define ORVEX_SHA_EXTENSIONS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace orvex {

namespace {

constexpr std::array<std::uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

#ifdef ORVEX_SHA_EXTENSIONS
alignas(16) constexpr std::uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool detectShaExtensions()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const bool ssse3AndSse41 = (c & bit_SSSE3) && (c & bit_SSE4_1);
    if (!ssse3AndSse41 || !__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    return (b & bit_SHA) != 0;
}

// The compression of `count` 64-byte blocks with the SHA extensions: the state is held as
// ABEF and CDGH, four rounds a step, the message schedule four words a step.
__attribute__((target("sha,sse4.1,ssse3"))) void
compressWithShaExtensions(std::uint32_t* state, const unsigned char* data, size_t count)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; count > 0; --count, data += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + std::ptrdiff_t(16) * i)), byteSwap);
#pragma GCC unroll 16
        for (int step = 0; step < 16; ++step) {
            __m128i message = _mm_add_epi32(w[step % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(
                                                             kRounds + std::ptrdiff_t(4) * step)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
            if (step < 12) {
                // The next four words: W[t-16] + s0(W[t-15]) + W[t-7] + s1(W[t-2]).
                __m128i next = _mm_sha256msg1_epu32(w[step % 4], w[(step + 1) % 4]);
                next = _mm_add_epi32(next, _mm_alignr_epi8(w[(step + 3) % 4], w[(step + 2) % 4], 4));
                w[step % 4] = _mm_sha256msg2_epu32(next, w[(step + 3) % 4]);
            }
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

bool shaExtensions()
{
#ifdef ORVEX_SHA_EXTENSIONS
    static const bool present = detectShaExtensions();
    return present;
#else
    return false;
#endif
}

} // namespace

bool Sha256::usesShaExtensions()
{
    return shaExtensions();
}

Sha256::Sha256() : m_state(kInitial)
{
    if (!shaExtensions())
        m_portable.emplace(QCryptographicHash::Sha256);
}

void Sha256::compress(const unsigned char* blocks, size_t count)
{
#ifdef ORVEX_SHA_EXTENSIONS
    compressWithShaExtensions(m_state.data(), blocks, count);
#else
    Q_UNUSED(blocks);
    Q_UNUSED(count);
#endif
}

void Sha256::addData(QByteArrayView bytes)
{
    if (m_portable) {
        m_portable->addData(bytes);
        return;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = size_t(bytes.size());
    m_length += size;
    if (m_pendingSize > 0) {
        const size_t taken = std::min(size, m_pending.size() - m_pendingSize);
        std::memcpy(m_pending.data() + m_pendingSize, data, taken);
        m_pendingSize += taken;
        data += taken;
        size -= taken;
        if (m_pendingSize < m_pending.size())
            return;
        compress(m_pending.data(), 1);
        m_pendingSize = 0;
    }
    compress(data, size / 64);
    m_pendingSize = size % 64;
    std::memcpy(m_pending.data(), data + size - m_pendingSize, m_pendingSize);
}

QByteArray Sha256::result()
{
    if (m_portable)
        return m_portable->result();
    // The padding: 0x80, zeros up to 56 bytes of the last block, the length in bits.
    const std::uint64_t bits = m_length * 8;
    unsigned char tail[72] = {0x80};
    const size_t zeros = (m_pendingSize < 56 ? 56 : 120) - m_pendingSize - 1;
    for (int i = 0; i < 8; ++i)
        tail[1 + zeros + size_t(i)] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    addData(QByteArrayView(reinterpret_cast<const char*>(tail), qsizetype(1 + zeros + 8)));
    QByteArray digest(32, Qt::Uninitialized);
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b)
            digest[4 * i + b] = char(m_state[size_t(i)] >> (24 - 8 * b));
    return digest;
}

QByteArray Sha256::hash(QByteArrayView bytes)
{
    Sha256 sha;
    sha.addData(bytes);
    return sha.result();
}

} // namespace orvex
