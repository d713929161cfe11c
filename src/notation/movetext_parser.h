// Building blocks of the movetext parser, exposed for tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "rules/position.h"

// Value for a character that names no piece.
constexpr int NoPieceLetter = -100;

// Piece kind of a move or promotion letter in English or German
// ("K", "Q"/"D", "R"/"T", "B"/"L", "N"/"S", "P" and "a".."h" pawn);
// NoPieceLetter for anything else.
int PieceKindOfLetter(char c);

// Squares from which a piece of one kind could have reached a target square.
struct TCandidateList {
    static constexpr int Capacity = 10;
    uint8_t Count = 0;
    std::array<int, Capacity> Squares{};
    void Clear() { Count = 0; }
    void Add(int square) {
        // A target can be reached from at most eight directions, so this
        // never fills up; the test keeps a broken board from writing past it.
        if (Count < Capacity) Squares[Count++] = square;
    }
};

enum class TFinderMode { Find, Test };

// Candidate finders. In Find mode they look for pieces of colour `side` and
// append each hit to `list`; in Test mode for colour -side and record nothing.
// Each returns whether it had a hit.
bool FindQueenCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list);
bool FindRookCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list);
bool FindBishopCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list);
bool FindKnightCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list);
bool FindKingCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list);

// Turns long algebraic marks into short form: "e2-e4" -> "e4",
// "e4xd5" -> "exd5", "Ng1-f3" -> "Ng1f3"; "Ra1xa3" stays.
void RemoveLongNotationMarks(std::string& token);
