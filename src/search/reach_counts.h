// The quantities of a position that only fall in a game: the men and the
// pawns of each side and the pawns still on their start squares (a pawn that
// left never comes back). A game standing at counts below a target's can
// never reach it; the position search and the opening tree drop such games
// without replaying the rest of them.
#pragma once

#include <cstdint>

#include "search/position_search.h"

namespace reach {

inline int RankOf(int sq) { return sq / 10 - 2; }  // 0 = first rank
inline int FileOf(int sq) { return sq % 10 - 1; }  // 0 = a file

// Men, pawns and home pawns of a position, the quantities that only fall.
struct TCounts {
    int WhiteMen = 0, BlackMen = 0, WhitePawns = 0, BlackPawns = 0;
    uint8_t WhiteHome = 0, BlackHome = 0;
};

inline TCounts CountsOf(const TBoard& board) {
    TCounts c;
    for (int i = 0; i < 64; ++i) {
        const int sq = Index64ToSquare(i);
        const int p = board[sq];
        if (p > 0) {
            ++c.WhiteMen;
            if (p == Pawn) {
                ++c.WhitePawns;
                if (RankOf(sq) == 1) c.WhiteHome |= static_cast<uint8_t>(1u << FileOf(sq));
            }
        } else if (p < 0) {
            ++c.BlackMen;
            if (p == -Pawn) {
                ++c.BlackPawns;
                if (RankOf(sq) == 6) c.BlackHome |= static_cast<uint8_t>(1u << FileOf(sq));
            }
        }
    }
    return c;
}

// True when a game standing at `c` can never reach the target.
inline bool Unreachable(const TCounts& c, const TSearchTarget& t) {
    return c.WhiteMen < t.WhiteMen || c.BlackMen < t.BlackMen || c.WhitePawns < t.WhitePawns ||
           c.BlackPawns < t.BlackPawns || (c.WhiteHome & t.WhiteHome) != t.WhiteHome ||
           (c.BlackHome & t.BlackHome) != t.BlackHome;
}

inline bool SameCounts(const TCounts& c, const TSearchTarget& t) {
    return c.WhiteMen == t.WhiteMen && c.BlackMen == t.BlackMen && c.WhitePawns == t.WhitePawns &&
           c.BlackPawns == t.BlackPawns;
}

// Removes `piece` from the counts (a capture).
inline void Remove(TCounts& c, int piece) {
    if (piece > 0) {
        --c.WhiteMen;
        if (piece == Pawn) --c.WhitePawns;
    } else if (piece < 0) {
        --c.BlackMen;
        if (piece == -Pawn) --c.BlackPawns;
    }
}

// A start square that no longer holds its pawn.
inline void Vacated(TCounts& c, const TBoard& board, int sq) {
    if (RankOf(sq) == 1 && board[sq] != Pawn) c.WhiteHome &= static_cast<uint8_t>(~(1u << FileOf(sq)));
    else if (RankOf(sq) == 6 && board[sq] != -Pawn) c.BlackHome &= static_cast<uint8_t>(~(1u << FileOf(sq)));
}

}  // namespace reach
