#ifndef ORVANE_BYTE_BLOCKS_H
#define ORVANE_BYTE_BLOCKS_H

// What the text builders share: the largest buffer they may make, and the
// 16-byte block operations of their fast loops. SSE2 is part of every
// x86-64 processor; elsewhere ORVANE_SSE2 stays undefined and the plain
// loops run.

#include <QtGlobal>

#include <limits>

// The largest buffer a QByteArray can hold, with room for its header.
constexpr qsizetype maxBuiltSize = std::numeric_limits<int>::max() - 64;

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define ORVANE_SSE2 1
#include <emmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

inline __m128i load16(const char *at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
}

inline void store16(char *at, __m128i bytes)
{
    _mm_storeu_si128(reinterpret_cast<__m128i *>(at), bytes);
}

// The index of the lowest set bit of a mask that is not zero.
inline unsigned lowestSetBit(unsigned mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanForward(&index, mask);
    return unsigned(index);
#else
    return unsigned(__builtin_ctz(mask));
#endif
}
#endif

#endif
