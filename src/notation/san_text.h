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

// Plays a line of SAN ("1. e4 c5 2. Nf3", move numbers with or without a
// blank, check signs and marks allowed) from board/state (Side: the side to
// move). False, with the word in `bad` when asked, at the first word that
// is no legal move there; board and state then stand before it.
bool PlaySanLine(std::string_view line, TBoard& board, TMoveRecord& state, std::string* bad = nullptr);
