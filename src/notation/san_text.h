// A move written as SAN from the position before it, the way a program
// writes it for a person: the piece letter, the least disambiguation that
// names the move, "x" for a capture, "=Q" for a promotion.
#pragma once

#include <string>
#include <string_view>

#include "rules/chess960.h"
#include "rules/position.h"

// Is the move (Side = the mover) legal on board, by rook file when rooks is active?
bool IsLegal(const TBoard& board, const TMoveRecord& move, const TCastlingRooks& rooks);

// The move's text without check signs; board holds the position before it.
std::string SanText(const TBoard& board, const TMoveRecord& move, const TCastlingRooks& rooks,
                    std::string_view letters = " PRBNQK");

// "+" or "#" when the side to move in `after` (state.Side) is in check or
// mated; "" otherwise.
std::string SanCheckSign(const TBoard& after, const TMoveRecord& state, const TCastlingRooks& rooks);
