// A strict FEN reader, for a position the user types in (a search target):
// every field is read by its place and checked, and a malformed text is
// refused with a one-line reason instead of being read as something else.
// FEN tags in game files keep the tolerant reader of fen.h.
#pragma once

#include <string>
#include <string_view>

#include "rules/chess960.h"
#include "rules/position.h"

// Reads "board side castling en-passant [half-move-clock [move-number]]",
// fields apart by blanks. The board has eight ranks of eight squares and
// only the letters KQRBNP/kqrbnp; the side is "w" or "b"; castling is "-"
// or standard ("KQkq"), X-FEN or Shredder letters ("HAha", "Bh"), each naming
// a king and rook at home (file letters and rooks off the corners are read
// by rook file into `rooks`); the en-passant square is "-" or the square a
// pawn of the side not to move has just passed with a double step. On
// success board and state (Castling, EpSquare, Side; the move bytes
// cleared) are set; otherwise `error` says what is wrong and nothing is
// changed.
bool ReadStrictFEN(std::string_view fen, TBoard& board, TMoveRecord& state, TCastlingRooks& rooks, std::string& error);
