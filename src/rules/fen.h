// FEN text for a position and its game state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rules/position.h"

// Writes the six-field FEN of board and state (only Castling, EpSquare and
// Side of the state are used). The half-move clock is always written as 0.
std::string PositionToFEN(const TBoard& board, const TMoveRecord& state, int moveNo);

// Reads a FEN text. On success the whole board is overwritten, Castling,
// EpSquare and Side are set, bytes EpVictim..MoveNag are cleared and the
// others left alone. moveNo becomes the last field when the text has six
// fields and that one is a number (1 for 0), 1 when it has fewer fields, and
// stays as it was otherwise.
// The reader is tolerant: letters after the board may come in any order.
bool FENToPosition(std::string_view fen, TBoard& board, TMoveRecord& state, uint16_t& moveNo);

// The FEN text with its half-move clock (the fifth field) replaced by `clock`.
std::string WithHalfMoveClock(const std::string& fen, int clock);
