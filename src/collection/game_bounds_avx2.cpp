// The scanner's first pass for processors with AVX2 (this file is compiled with
// -mavx2; game_bounds.cpp calls it only when the processor has AVX2).
#include "collection/game_bounds_scan.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace {

#if defined(__AVX2__)
struct TAvx2Masker {
    static std::uint64_t Bits(__m256i a, __m256i b) {
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(a)) |
               static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(b))) << 32;
    }
    // One table lookup per nibble gives each byte its class bits: line feed
    // 1, carriage return 2, "{" 4, "[" 8, "}" 16, "%" 32, ";" 64, 0xEF 128 (a byte is
    // of a class when both of its nibbles have the bit).
    static __m256i Classes(__m256i v) {
        const __m256i low = _mm256_setr_epi8(0, 0, 0, 0, 0, 32, 0, 0, 0, 0, 1, 76, 0, 18, 0, static_cast<char>(128),
                                             0, 0, 0, 0, 0, 32, 0, 0, 0, 0, 1, 76, 0, 18, 0, static_cast<char>(128));
        const __m256i high = _mm256_setr_epi8(3, 0, 32, 64, 0, 8, 0, 20, 0, 0, 0, 0, 0, 0, static_cast<char>(128), 0,
                                              3, 0, 32, 64, 0, 8, 0, 20, 0, 0, 0, 0, 0, 0, static_cast<char>(128), 0);
        const __m256i nibble = _mm256_set1_epi8(0x0F);
        return _mm256_and_si256(_mm256_shuffle_epi8(low, _mm256_and_si256(v, nibble)),
                                _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble)));
    }
    // Bytes of the one class bit 1 << k: the bit moved to the top of its byte.
    template <int k>
    static __m256i Top(__m256i cls) {
        return _mm256_slli_epi16(cls, 7 - k);
    }
    // Bytes of class `bits`: their class byte shares a bit with it.
    static __m256i Of(__m256i cls, int bits) {
        return _mm256_xor_si256(_mm256_cmpeq_epi8(_mm256_and_si256(cls, _mm256_set1_epi8(static_cast<char>(bits))),
                                                  _mm256_setzero_si256()),
                                _mm256_set1_epi8(-1));
    }
    static TWindowMasks Masks(const char* p) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const __m256i ca = Classes(a), cb = Classes(b);
        const __m256i space = _mm256_set1_epi8(' ');
        const std::uint64_t feeds = Bits(Top<0>(ca), Top<0>(cb)), returns = Bits(Top<1>(ca), Top<1>(cb));
        const std::uint64_t blanks = Bits(_mm256_cmpeq_epi8(_mm256_max_epu8(a, space), space),
                                          _mm256_cmpeq_epi8(_mm256_max_epu8(b, space), space));
        TWindowMasks m;
        m.LineEnds = feeds | (returns & ~(feeds >> 1));
        m.Marks = Bits(Of(ca, 4 | 64), Of(cb, 4 | 64));
        m.Opens = Bits(Top<2>(ca), Top<2>(cb));
        m.Starts = Bits(Of(ca, 8 | 32 | 128), Of(cb, 8 | 32 | 128)) | (blanks & ~(feeds | returns));
        m.Closes = Bits(Top<4>(ca), Top<4>(cb));
        return m;
    }
};
#else
// Never called without AVX2; kept so that the program links anywhere.
struct TAvx2Masker {
    static TWindowMasks Masks(const char* p) { return ScalarMasks(p, 64); }
};
#endif

}  // namespace

void ClassifyAvx2(const char* data, std::size_t n, TWindowArrays masks) { ClassifyWindows<TAvx2Masker>(data, n, masks); }
