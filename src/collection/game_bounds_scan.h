// The scanner's first pass, compiled once per instruction set: included by
// game_bounds.cpp (baseline), game_bounds_avx2.cpp and game_bounds_avx512.cpp.
// Everything here has internal linkage, so the copies never meet.
//
// The pass makes the masks of 64-byte windows (bit k for byte k) that the
// walk of game_bounds.cpp goes by: line ends, the stops in movetext (a "{",
// a ";", a line that begins with "[", "%", an indent or a byte order mark)
// and the "}" that close comments.
#pragma once

#include <cstring>

#include "collection/game_bounds.h"
#include "collection/game_header.h"
#include "collection/game_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};

inline bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
inline bool IsLineIndent(char c) { return IsBlankByte(c) && !IsLineEnd(c); }

// The masks of one window. A carriage return directly followed by a line
// feed ends no line (the line feed does); one in the window's last byte
// counts as a line end, and a line feed after it is then an empty line.
struct TWindowMasks {
    std::uint64_t LineEnds = 0;
    std::uint64_t Marks = 0;   // "{", ";"
    std::uint64_t Starts = 0;  // "[", "%", a byte order mark's first byte, bytes of code 32 and below but line ends
    std::uint64_t Closes = 0;  // "}"
    std::uint64_t Opens = 0;   // "{"
};

inline TWindowMasks ScalarMasks(const char* p, std::size_t n) {
    std::uint64_t feeds = 0, returns = 0;
    TWindowMasks m;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint64_t bit = std::uint64_t{1} << k;
        const char c = p[k];
        if (c == '\n') feeds |= bit;
        else if (c == '\r') returns |= bit;
        else if (c == '{' || c == ';') m.Marks |= bit;
        else if (c == '[' || c == '%' || IsBlankByte(c) || static_cast<unsigned char>(c) == kBom[0]) m.Starts |= bit;
        else if (c == '}') m.Closes |= bit;
        if (c == '{') m.Opens |= bit;
    }
    m.LineEnds = feeds | (returns & ~(feeds >> 1));
    return m;
}

// Classifies data[0, n) window by window into the mask arrays (one entry per
// window, the last window perhaps partial). The first window's line starts
// do not count the line end before the stretch: the walk knows that one
// from its mode.
template <class Masker>
inline void ClassifyWindows(const char* data, std::size_t n, TWindowArrays out) {
    std::uint64_t* const ends = out.Ends;
    std::uint64_t* const events = out.Events;
    std::uint64_t* const closes = out.Closes;
    std::uint64_t* const opens = out.Opens;
    const std::size_t full = n / 64;
    std::uint64_t carry = 0;  // a line end in the last byte of the window before
    for (std::size_t w = 0; w < full; ++w) {
        const TWindowMasks m = Masker::Masks(data + 64 * w);
        ends[w] = m.LineEnds;
        events[w] = m.Marks | (((m.LineEnds << 1) | carry) & m.Starts);
        closes[w] = m.Closes;
        opens[w] = m.Opens;
        carry = m.LineEnds >> 63;
    }
    if (n % 64) {
        const TWindowMasks m = ScalarMasks(data + 64 * full, n % 64);
        ends[full] = m.LineEnds;
        events[full] = m.Marks | (((m.LineEnds << 1) | carry) & m.Starts);
        closes[full] = m.Closes;
        opens[full] = m.Opens;
    }
}

}  // namespace
