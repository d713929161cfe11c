#include "rules/position.h"

namespace {

constexpr std::array<std::string_view, 64> MakeSquareNames() {
    constexpr std::string_view all =
        "a1b1c1d1e1f1g1h1a2b2c2d2e2f2g2h2a3b3c3d3e3f3g3h3a4b4c4d4e4f4g4h4"
        "a5b5c5d5e5f5g5h5a6b6c6d6e6f6g6h6a7b7c7d7e7f7g7h7a8b8c8d8e8f8g8h8";
    std::array<std::string_view, 64> names{};
    for (int i = 0; i < 64; ++i) names[i] = all.substr(2 * i, 2);
    return names;
}

constexpr TBoard MakeEmptyBoard() {
    TBoard b{};
    for (auto& v : b) v = OffBoard;
    for (int i = 0; i < 64; ++i) b[Index64ToSquare(i)] = Empty;
    return b;
}

constexpr TBoard MakeInitialPosition() {
    TBoard b = MakeEmptyBoard();
    constexpr int back[8] = {Rook, Knight, Bishop, Queen, King, Bishop, Knight, Rook};
    for (int f = 0; f < 8; ++f) {
        b[21 + f] = back[f];
        b[31 + f] = Pawn;
        b[81 + f] = -Pawn;
        b[91 + f] = -back[f];
    }
    return b;
}

}  // namespace

const std::array<std::string_view, 64> SquareNames = MakeSquareNames();
const std::string_view PieceLetters = "kqnbrp PRBNQK";
const TBoard InitialPosition = MakeInitialPosition();
const TBoard EmptyBoard = MakeEmptyBoard();

const std::array<int, 4> BishopDirs = {-9, -11, 9, 11};
const std::array<int, 4> RookDirs = {-1, 10, 1, -10};
const std::array<int, 8> KnightJumps = {19, 21, 12, -8, -19, -21, -12, 8};
const std::array<int, 8> QueenDirs = {-9, -11, 9, 11, -1, 10, 1, -10};
const std::array<int, 8> KingSteps = {-9, -11, 9, 11, -1, 10, 1, -10};

std::string_view SquareName(int square) {
    if (!IsRealSquare(square)) return "??";
    return SquareNames[SquareToIndex64(square)];
}

char PieceLetter(int piece) {
    if (piece < -6 || piece > 6) return ' ';
    return PieceLetters[piece + 6];
}
