// The scanner's first pass for processors with AVX-512BW (this file is compiled
// with -mavx512bw; game_bounds.cpp calls it only when the processor has it):
// one compare gives the mask of a whole 64-byte window.
#include "collection/game_bounds_scan.h"

#if defined(__AVX512BW__)
#include <immintrin.h>
#endif

namespace {

#if defined(__AVX512BW__)
struct TAvx512Masker {
    static TWindowMasks Masks(const char* p) {
        const __m512i v = _mm512_loadu_si512(p);
        const auto is = [&](char c) -> std::uint64_t { return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(c)); };
        const std::uint64_t feeds = is('\n'), returns = is('\r');
        const std::uint64_t blanks = _mm512_cmple_epu8_mask(v, _mm512_set1_epi8(' '));
        TWindowMasks m;
        m.LineEnds = feeds | (returns & ~(feeds >> 1));
        m.Marks = is('{') | is(';');
        m.Starts = is('[') | is('%') | (blanks & ~(feeds | returns));
        m.Closes = is('}');
        return m;
    }
};
#else
// Never called without AVX-512BW; kept so that the program links anywhere.
struct TAvx512Masker {
    static TWindowMasks Masks(const char* p) { return ScalarMasks(p, 64); }
};
#endif

}  // namespace

void ClassifyAvx512(const char* data, std::size_t n, TWindowArrays masks) { ClassifyWindows<TAvx512Masker>(data, n, masks); }
