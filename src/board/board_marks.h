// What an author drew on the board for one position: arrows and coloured
// squares (in PGN comments "[%cal Ge2e4]" and "[%csl Rh5]"). Squares are
// index64 (a1 = 0, h8 = 63). Plain values: the notation reads them from a
// comment, the board draws them.
#pragma once

#include <cstdint>
#include <vector>

// The colours of the letters R, G, B and Y.
enum class TMarkColor : uint8_t { Red, Green, Blue, Yellow };

// The colour of a mark letter (either case); false for any other letter.
inline bool MarkColorOfLetter(char c, TMarkColor& color) {
    switch (c | 0x20) {
        case 'r': color = TMarkColor::Red; return true;
        case 'g': color = TMarkColor::Green; return true;
        case 'b': color = TMarkColor::Blue; return true;
        case 'y': color = TMarkColor::Yellow; return true;
        default: return false;
    }
}

struct TSquareMark {
    uint8_t Square = 0;
    TMarkColor Color = TMarkColor::Green;
    bool operator==(const TSquareMark&) const = default;
};

struct TArrowMark {
    uint8_t From = 0;
    uint8_t To = 0;
    TMarkColor Color = TMarkColor::Green;
    bool operator==(const TArrowMark&) const = default;
};

struct TBoardMarks {
    std::vector<TSquareMark> Squares;
    std::vector<TArrowMark> Arrows;
    bool Empty() const { return Squares.empty() && Arrows.empty(); }
    bool operator==(const TBoardMarks&) const = default;
};
