#include "inspection/MarkerScan.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SCANLARK_X86 1
#endif

namespace {

bool isMarkerCode(uint8_t code)
{
    return code != 0x00 && (code & 0xF8) != 0xD0;
}

size_t findScalar(const uint8_t* data, size_t n, size_t from)
{
    for (size_t p = from; p + 1 < n; ++p) {
        if (data[p] == 0xFF && isMarkerCode(data[p + 1]))
            return p;
    }
    return n == 0 ? 0 : n - 1;
}

#ifdef SCANLARK_X86

// Per block: FF bytes whose next byte (loaded one further on) is a marker
// code. A stuffed FF costs a mask test, not a return to the caller.
size_t findSse2(const uint8_t* data, size_t n)
{
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i zero = _mm_setzero_si128();
    const __m128i restartMask = _mm_set1_epi8(static_cast<char>(0xF8));
    const __m128i restart = _mm_set1_epi8(static_cast<char>(0xD0));
    size_t p = 0;
    for (; n >= 17 && p <= n - 17; p += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
        const int anyFF = _mm_movemask_epi8(_mm_cmpeq_epi8(here, ff));
        if (anyFF == 0)
            continue;
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + 1));
        const __m128i notCode =
            _mm_or_si128(_mm_cmpeq_epi8(next, zero), _mm_cmpeq_epi8(_mm_and_si128(next, restartMask), restart));
        const int hits = anyFF & ~_mm_movemask_epi8(notCode);
        if (hits != 0)
            return p + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
    return findScalar(data, n, p);
}

__attribute__((target("avx2"))) size_t findAvx2(const uint8_t* data, size_t n)
{
    const __m256i ff = _mm256_set1_epi8(static_cast<char>(0xFF));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i restartMask = _mm256_set1_epi8(static_cast<char>(0xF8));
    const __m256i restart = _mm256_set1_epi8(static_cast<char>(0xD0));
    size_t p = 0;
    for (; n >= 33 && p <= n - 33; p += 32) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + p));
        const unsigned anyFF = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(here, ff)));
        if (anyFF == 0)
            continue;
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + p + 1));
        const __m256i notCode = _mm256_or_si256(_mm256_cmpeq_epi8(next, zero),
                                                _mm256_cmpeq_epi8(_mm256_and_si256(next, restartMask), restart));
        const unsigned hits = anyFF & ~static_cast<unsigned>(_mm256_movemask_epi8(notCode));
        if (hits != 0)
            return p + static_cast<size_t>(__builtin_ctz(hits));
    }
    return findScalar(data, n, p);
}

#endif

MarkerScanPath bestPath()
{
#ifdef SCANLARK_X86
    if (__builtin_cpu_supports("avx2"))
        return MarkerScanPath::Avx2;
    return MarkerScanPath::Sse2;
#else
    return MarkerScanPath::Scalar;
#endif
}

MarkerScanPath pathInUse = bestPath();

}  // namespace

bool ProcessorHas(MarkerScanPath path)
{
    return static_cast<int>(path) <= static_cast<int>(bestPath());
}

MarkerScanPath MarkerScanPathInUse()
{
    return pathInUse;
}

void UseMarkerScanPath(MarkerScanPath path)
{
    pathInUse = ProcessorHas(path) ? path : bestPath();
}

size_t FindMarkerPair(const uint8_t* data, size_t n, MarkerScanPath path)
{
    if (!ProcessorHas(path))
        path = bestPath();
    switch (path) {
#ifdef SCANLARK_X86
    case MarkerScanPath::Avx2:
        return findAvx2(data, n);
    case MarkerScanPath::Sse2:
        return findSse2(data, n);
#endif
    default:
        return findScalar(data, n, 0);
    }
}

size_t FindMarkerPair(const uint8_t* data, size_t n)
{
    return FindMarkerPair(data, n, pathInUse);
}
