#include "rules/position_key.h"

#include <array>

#include "rules/legality.h"

namespace {

// splitmix64: a fixed, well-mixed sequence, so the keys never change.
constexpr uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

struct TKeyTable {
    std::array<std::array<uint64_t, 64>, 13> Pieces{};  // piece + 6
    uint64_t BlackToMove = 0;
    std::array<uint64_t, 32> Castling{};  // by the rights bits
    std::array<uint64_t, 8> EpFile{};
    constexpr TKeyTable() {
        uint64_t n = 1;
        for (auto& row : Pieces)
            for (auto& k : row) k = Mix(n++);
        BlackToMove = Mix(n++);
        std::array<uint64_t, 4> wing{};
        for (auto& k : wing) k = Mix(n++);
        for (int bits = 0; bits < 32; ++bits)
            for (int w = 0; w < 4; ++w)
                if (bits & (CastleWK << w)) Castling[bits] ^= wing[w];
        for (auto& k : EpFile) k = Mix(n++);
    }
};

constexpr TKeyTable kKeys;

}  // namespace

// The table as the header shows it, made from kKeys at compile time.
constexpr auto kTable = [] {
    std::array<std::array<uint64_t, 64>, 13> t = kKeys.Pieces;
    for (auto& k : t[6]) k = 0;  // no piece
    return t;
}();

const std::array<std::array<uint64_t, 64>, 13> kPieceSquareKeys = kTable;

uint64_t PositionKey(const TBoard& board, const TMoveRecord& state) {
    uint64_t key = 0;
    for (int i = 0; i < 64; ++i) {
        const int p = board[Index64ToSquare(i)];
        if (p != Empty && p >= -6 && p <= 6) key ^= kKeys.Pieces[p + 6][i];
    }
    if (state.Side == Black) key ^= kKeys.BlackToMove;
    key ^= kKeys.Castling[state.Castling & CastleAll];
    if (const int ep = EffectiveEpSquare(board, state)) key ^= kKeys.EpFile[SquareToIndex64(ep) % 8];
    return key;
}

void TPlacementChange::Before(const TBoard& board, const TMoveRecord& move) {
    count_ = 0;
    if (move.CastleKind != 0) {
        const int first = move.Side == Black ? 21 : 91;  // the mover's back rank: a1 or a8
        for (int file = 0; file < 8; ++file) squares_[count_++] = first + file;
    } else if (IsRealSquare(move.FromSq) && IsRealSquare(move.ToSq)) {
        squares_[count_++] = move.FromSq;
        squares_[count_++] = move.ToSq;
        if (IsRealSquare(move.EpVictim)) squares_[count_++] = move.EpVictim;
    }
    for (int i = 0; i < count_; ++i) before_[i] = board[squares_[i]];
}

uint64_t TPlacementChange::After(const TBoard& board) const {
    uint64_t change = 0;
    for (int i = 0; i < count_; ++i)
        if (before_[i] != board[squares_[i]])
            change ^= PieceSquareKey(before_[i], squares_[i]) ^ PieceSquareKey(board[squares_[i]], squares_[i]);
    return change;
}
