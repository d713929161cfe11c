// Piece sheets: the one bitmap the board draws every piece from.
//
// A sheet is 12 cells wide and 2 cells high. Columns 1..12 hold white pawn,
// rook, bishop, knight, queen, king, then the black ones in the same order.
// The upper half of a column is the image (white outside the piece), the
// lower half the mask (black inside the silhouette, white outside).
//
// The built-in sets are two-coloured and stored as vertical run lengths:
// column by column from the left, each column from the top, runs alternating
// white, black, white, ... and adding up to twice the cell size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

enum class TPieceSet : uint8_t {
    User,
    F32,
    WinboardF21,
    WinboardF25,
    WinboardF29,
    WinboardF33,
    WinboardF37,
    WinboardF40,
    WinboardF45,
    WinboardF49,
    WinboardF54,
    WinboardF58,
    WinboardF64,
    WinboardF72,
    WinboardF80,
};
constexpr int kPieceSetCount = 15;

// Cell size in pixels of a built-in set; 0 for User.
int PieceCellSize(TPieceSet set);
// The stored run stream of a built-in set; empty for User or an unknown value.
std::span<const uint8_t> PieceRunStream(TPieceSet set);
// "User", "F32", "WinboardF21", ...
std::string_view PieceSetName(TPieceSet set);
// Case-insensitive inverse of PieceSetName; false for an unknown name.
bool PieceSetFromName(std::string_view name, TPieceSet& set);
// The built-in set whose cells are nearest to `size` pixels (ties: the larger).
TPieceSet NearestBuiltInSet(int size);
// The set to draw squares of `size` pixels with, cell for pixel: the largest
// built-in set whose cells fit the square (the smallest set below 21 pixels).
TPieceSet BuiltInSetForSquare(int size);
// Whether a built-in cell of `cell` pixels is drawn unscaled, centred, into a
// square of `square` pixels: when it fits and leaves at most a fifth of the
// square as margin. Otherwise the cell is stretched to the square.
inline constexpr bool DrawCellUnscaled(int cell, int square) {
    return cell > 0 && cell <= square && (square - cell) * 5 <= square;
}

// Sheet column (1..12) of a piece code; 0 for empty, off-board or anything else.
inline constexpr int SheetColumnOfPiece(int piece) {
    if (piece >= 1 && piece <= 6) return piece;
    if (piece >= -6 && piece <= -1) return 6 - piece;
    return 0;
}

// Calls run(x, y, length, black) for every run of a stream with cells of
// `cell` pixels, in stream order. Returns the number of bytes consumed, or
// -1 when the stream is malformed: a zero run, a run crossing the end of its
// column, or too few bytes for all 12 * cell columns. Bytes after the last
// column are left unread (the caller compares the count with the length).
long long ForEachRun(std::span<const uint8_t> stream, int cell,
                     const std::function<void(int x, int y, int length, bool black)>& run);

// A decoded two-colour sheet: width 12 * cell, height 2 * cell, one byte per
// pixel (1 = black), row-major.
struct TSheetBits {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> black;
    bool At(int x, int y) const { return black[static_cast<size_t>(y) * width + x] != 0; }
};

// Decodes a whole stream; false unless it is well-formed and consumed exactly.
bool DecodeRunStream(std::span<const uint8_t> stream, int cell, TSheetBits& out);
// Encodes a sheet (width 12 * cell, height 2 * cell) into a run stream.
// Runs longer than 255 are impossible for cells up to 127 pixels.
std::vector<uint8_t> EncodeRunStream(const TSheetBits& sheet);
