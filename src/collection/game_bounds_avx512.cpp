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
    // One table lookup per nibble gives each byte its class bits: line feed
    // 1, carriage return 2, "{" 4, "[" 8, "}" 16, "%" 32, ";" 64, 0xEF 128 (a byte is
    // of a class when both of its nibbles have the bit).
    static TWindowMasks Masks(const char* p) {
        const __m512i low = _mm512_broadcast_i32x4(_mm_setr_epi8(0, 0, 0, 0, 0, 32, 0, 0, 0, 0, 1, 76, 0, 18, 0, static_cast<char>(128)));
        const __m512i high = _mm512_broadcast_i32x4(_mm_setr_epi8(3, 0, 32, 64, 0, 8, 0, 20, 0, 0, 0, 0, 0, 0, static_cast<char>(128), 0));
        const __m512i nibble = _mm512_set1_epi8(0x0F);
        const __m512i v = _mm512_loadu_si512(p);
        const __m512i cls = _mm512_and_si512(_mm512_shuffle_epi8(low, _mm512_and_si512(v, nibble)),
                                             _mm512_shuffle_epi8(high, _mm512_and_si512(_mm512_srli_epi16(v, 4), nibble)));
        const auto is = [&](int bits) -> std::uint64_t { return _mm512_test_epi8_mask(cls, _mm512_set1_epi8(static_cast<char>(bits))); };
        const std::uint64_t feeds = is(1), returns = is(2);
        const std::uint64_t blanks = _mm512_cmple_epu8_mask(v, _mm512_set1_epi8(' '));
        TWindowMasks m;
        m.LineEnds = feeds | (returns & ~(feeds >> 1));
        m.Marks = is(4 | 64);
        m.Opens = is(4);
        m.Starts = is(8 | 32 | 128) | (blanks & ~(feeds | returns));
        m.Closes = is(16);
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
