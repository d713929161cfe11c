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
    struct THalf {
        __m256i feeds, returns, marks, starts, closes;
    };
    static THalf Half(__m256i v) {
        THalf h;
        h.feeds = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n'));
        h.returns = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r'));
        h.marks = _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('{')), _mm256_cmpeq_epi8(v, _mm256_set1_epi8(';')));
        const __m256i blank = _mm256_cmpeq_epi8(_mm256_max_epu8(v, _mm256_set1_epi8(' ')), _mm256_set1_epi8(' '));
        h.starts = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('[')), _mm256_cmpeq_epi8(v, _mm256_set1_epi8('%'))),
            _mm256_andnot_si256(_mm256_or_si256(h.feeds, h.returns), blank));
        h.closes = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('}'));
        return h;
    }
    static TWindowMasks Masks(const char* p) {
        const THalf a = Half(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
        const THalf b = Half(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)));
        const std::uint64_t feeds = Bits(a.feeds, b.feeds);
        TWindowMasks m;
        m.LineEnds = feeds | (Bits(a.returns, b.returns) & ~(feeds >> 1));
        m.Marks = Bits(a.marks, b.marks);
        m.Starts = Bits(a.starts, b.starts);
        m.Closes = Bits(a.closes, b.closes);
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
