// The game model of the notation control: the game data, the tree of moves
// with its alternatives, and the small set of tree operations.
//
// The main line hangs from a root entry. A move M with alternatives points
// through M.Variations to a doubly linked list of entries; each entry's line
// starts with a move whose Prev is M and which is played from the position
// before M. Moves inside a line are doubly linked through Next/Prev, so the
// first move of a variation is the one whose Prev has a different Next.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collection/game_header.h"
#include "rules/chess960.h"
#include "rules/position.h"

struct TVariationEntry;

// One move of the game.
struct TMoveNode {
    TMoveNode* Next = nullptr;                 // following move on the same line
    TMoveNode* Prev = nullptr;                 // preceding move, or the move a variation replaces
    TVariationEntry* Variations = nullptr; // first alternative to this move
    TVariationEntry* Entry = nullptr;      // the first move of a line: the entry it hangs from
    TMoveRecord Move{};                            // the move; Side = side to move after it
    std::string Comment;                   // with its braces; "" if none
    int TextPos = 0;                       // written by the layout (1-based)
    int TextLen = 0;
    int MoveNo = 0;
};

// One alternative line.
struct TVariationEntry {
    TMoveNode* FirstMove = nullptr;
    std::string Comment;  // a comment before the line's first move, with its braces; "" if none
    TVariationEntry* NextVar = nullptr;
    TVariationEntry* PrevVar = nullptr;
};

// The data of the loaded game.
struct TGameData {
    TGameHeader Header;
    TBoard StartPosition = InitialPosition;
    TMoveRecord StartState = FreshState();
    uint16_t StartMoveNo = 1;
    TCastlingRooks CastlingRooks;  // a Chess960 game castles by rook file
    std::string IntroComment;  // comments before the first move, braces kept, plus one blank
    std::vector<std::string> TagLines;  // the tags of the game's text as written, in text order
};

// Is `node` the first move of a variation (its Prev continues elsewhere)?
inline bool IsVariationStart(const TMoveNode* node) {
    return node && node->Prev && node->Prev->Next != node;
}

// Is `node` the last move of the main line?
inline bool IsLastMainMove(const TMoveNode* node) {
    if (!node || node->Next) return false;
    for (const TMoveNode* n = node; n; n = n->Prev)
        if (IsVariationStart(n)) return false;
    return true;
}

// A null move ("--"): the side to move passes; nothing moves.
inline bool IsNullMove(const TMoveRecord& move) { return move.ToSq == 0 && move.CastleKind == 0; }

// The number of moves played from the start to reach the position after
// `node` along its line (variations replace the moves they stand for).
int PlyOf(const TMoveNode* node);

// The move written after / before `node` in the game text, where a move's
// alternatives come after it and before its continuation; from the start
// (none) NextInText gives the first move. None at the end / the start.
TMoveNode* NextInText(const TVariationEntry* root, TMoveNode* node);
TMoveNode* PrevInText(TMoveNode* node);

// Applies the stored-form move `state` (Side = side to move after it) to the board.
void MakeMove(TBoard& board, const TMoveRecord& state);
// Takes back the move `move` on the board; `state` must describe the same move
// (its EpVictim, CastleKind and Side are used).
void UnmakeMove(TBoard& board, const TMoveRecord& move, const TMoveRecord& state);
