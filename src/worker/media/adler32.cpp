// SPDX-License-Identifier: MIT
#include "media/adler32.h"

extern "C" {
#include <libavutil/adler32.h>
}

// Summing 32 bytes at once wants AVX2, asked of the processor when the program runs. Not on
// Windows: GCC there does not align the stack for the 32-byte values it may keep on it.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))        \
    && !defined(Q_OS_WIN)
#define ADLER32_WIDE
#include <immintrin.h>
#endif

namespace {

constexpr quint32 base = 65521; // the largest prime below 2^16

#ifdef ADLER32_WIDE

// The sum of a vector's eight 32-bit lanes.
__attribute__((target("avx2"))) inline quint32 laneSum(__m256i lanes)
{
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
    return quint32(_mm_cvtsi128_si32(sum));
}

// For bytes b[0..n) after the sums s1 and s2: s1 grows by the sum of the bytes, s2 by n * s1
// and by the sum of (n - i) * b[i]. Blocks of 32 bytes give both sums at once; after 173 blocks
// (5,536 bytes, within zlib's 5,552) the lanes are added up and reduced before they could
// overflow.
__attribute__((target("avx2"))) quint32 wideUpdate(quint32 adler, const uchar *data, size_t size)
{
    quint32 s1 = adler & 0xffff;
    quint32 s2 = adler >> 16;
    const __m256i weights =
        _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                         13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i zero = _mm256_setzero_si256();
    constexpr size_t blocksAtMost = 173;
    while (size >= 32) {
        const size_t blocks = qMin(size / 32, blocksAtMost);
        const quint64 length = blocks * 32;
        __m256i sums = zero; // the bytes' sum so far
        __m256i earlierSums = zero; // the sum so far, added up before each block
        __m256i weighted = zero; // each block's bytes times 32 down to 1
        for (size_t i = 0; i < blocks; ++i, data += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data));
            earlierSums = _mm256_add_epi32(earlierSums, sums);
            sums = _mm256_add_epi32(sums, _mm256_sad_epu8(bytes, zero));
            weighted = _mm256_add_epi32(
                weighted, _mm256_madd_epi16(_mm256_maddubs_epi16(bytes, weights), ones));
        }
        const quint64 grown2 =
            s2 + quint64(s1) * length + 32 * quint64(laneSum(earlierSums)) + laneSum(weighted);
        s1 = quint32((s1 + quint64(laneSum(sums))) % base);
        s2 = quint32(grown2 % base);
        size -= length;
    }
    for (; size > 0; --size, ++data) {
        s1 = (s1 + *data) % base;
        s2 = (s2 + s1) % base;
    }
    return s1 | (s2 << 16);
}

#endif // ADLER32_WIDE

} // namespace

quint32 adler32Update(quint32 adler, const uchar *data, size_t size)
{
#ifdef ADLER32_WIDE
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide)
        return wideUpdate(adler, data, size);
#endif
    return av_adler32_update(adler, data, size);
}

quint32 adler32Combine(quint32 first, quint32 second, quint64 secondLength)
{
    // The second run's s1 began at 1 where it now follows the first's; its s2 counts the first's
    // s1 once for each of its bytes, where it counted 1.
    const quint64 length = secondLength % base;
    const quint64 first1 = first & 0xffff;
    const quint64 sum1 = (first1 + (second & 0xffff) + base - 1) % base;
    const quint64 sum2 = ((first >> 16) + (second >> 16) + length * first1 + base - length) % base;
    return quint32(sum1 | (sum2 << 16));
}
