#include "rules/chess960.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "rules/fen.h"
#include "rules/legality.h"

namespace {

inline int BackRankBase(int side) { return side == White ? 20 : 90; }  // a-file square minus one
inline int FileOf(int square) { return square % 10 - 1; }
inline bool OnBackRank(int square, int side) {
    const int base = BackRankBase(side);
    return square > base && square <= base + 8;
}
inline int SideOfWing(int wing) { return wing < 2 ? White : Black; }
inline bool ShortWing(int wing) { return wing == WingWK || wing == WingBK; }

// The square of the side's only king when it stands on its back rank; 0 when
// it stands elsewhere or the side has none or more than one.
int HomeKing(const TBoard& board, int side) {
    int found = 0;
    for (int i = 0; i < 64; ++i) {
        const int sq = Index64ToSquare(i);
        if (board[sq] != King * side) continue;
        if (found) return 0;
        found = sq;
    }
    return found && OnBackRank(found, side) ? found : 0;
}

// The outermost rook of the side on one wing of its king; 0 if none.
int OutermostRook(const TBoard& board, int side, bool shortWing, int king) {
    const int base = BackRankBase(side);
    if (shortWing) {
        for (int sq = base + 8; sq > king; --sq)
            if (board[sq] == Rook * side) return sq;
    } else {
        for (int sq = base + 1; sq < king; ++sq)
            if (board[sq] == Rook * side) return sq;
    }
    return 0;
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (i > start) fields.push_back(text.substr(start, i - start));
    }
    return fields;
}

// Wing of a rook square relative to the king; -1 when it is on no wing.
int WingOfRook(int side, int king, int rook) {
    if (!king || !OnBackRank(rook, side) || rook == king) return -1;
    return WingOf(side, rook > king ? 1 : 2);
}

}  // namespace

bool IsChess960Variant(std::string_view value) {
    std::string v;
    for (char c : value)
        if (std::isalnum(static_cast<unsigned char>(c))) v += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return v.find("960") != std::string::npos || v.find("fischerandom") != std::string::npos ||
           v.find("fischerrandom") != std::string::npos;
}

TCastlingRooks ReadCastlingRooks(std::string_view fen, const TBoard& board, TMoveRecord& state, bool chess960) {
    const std::vector<std::string_view> fields = Fields(fen);
    const std::string_view field = fields.size() > 2 ? fields[2] : std::string_view();
    bool fileLetters = false;
    bool standardLetters = false;
    bool standardImpossible = false;
    for (char c : field) {
        if ((c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h')) fileLetters = true;
        if (c != 'K' && c != 'Q' && c != 'k' && c != 'q') continue;
        standardLetters = true;
        const int side = std::isupper(static_cast<unsigned char>(c)) ? White : Black;
        const int base = BackRankBase(side);
        const int king = HomeKing(board, side);
        // "K" with the king at home but off the e-file, or no rook in its
        // corner while an inner rook stands on that wing, only makes sense
        // by rook file.
        if (!king || king == base + 5) {
            const bool shortWing = c == 'K' || c == 'k';
            const int corner = shortWing ? base + 8 : base + 1;
            if (king && board[corner] != Rook * side && OutermostRook(board, side, shortWing, king))
                standardImpossible = true;
        } else {
            standardImpossible = true;
        }
    }
    if (!chess960 && !fileLetters && !standardImpossible) return {};

    TCastlingRooks rooks;
    rooks.Active = true;
    rooks.Notation = fileLetters && !standardLetters ? TCastlingNotation::Shredder : TCastlingNotation::XFen;
    int rights = 0;
    for (char c : field) {
        int side = 0, rook = 0, wing = -1;
        if (c == 'K' || c == 'Q' || c == 'k' || c == 'q') {
            side = std::isupper(static_cast<unsigned char>(c)) ? White : Black;
            const int king = HomeKing(board, side);
            rook = king ? OutermostRook(board, side, c == 'K' || c == 'k', king) : 0;
            wing = WingOfRook(side, king, rook);
        } else if ((c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h')) {
            side = c <= 'H' ? White : Black;
            rook = BackRankBase(side) + 1 + (std::tolower(static_cast<unsigned char>(c)) - 'a');
            wing = board[rook] == Rook * side ? WingOfRook(side, HomeKing(board, side), rook) : -1;
        }
        // A right without its rook, or for a king not at home, is dropped;
        // a second rook named for one wing does not replace the first.
        if (wing < 0 || rooks.Rook[static_cast<size_t>(wing)] != 0) continue;
        rooks.Rook[static_cast<size_t>(wing)] = static_cast<int8_t>(rook);
        rights |= WingBit(wing);
    }
    state.Castling = static_cast<int8_t>(rights);
    if (fileLetters) {
        // The tolerant reader takes a "b" anywhere after the board for Black
        // to move, and file letters are no castling letters to it: the side
        // and the en-passant square are read again from their own fields.
        state.Side = fields.size() > 1 && fields[1] == "b" ? Black : White;
        state.EpSquare = 0;
        if (fields.size() > 3 && fields[3].size() == 2 && fields[3][0] >= 'a' && fields[3][0] <= 'h')
            state.EpSquare = static_cast<int8_t>(Index64ToSquare((fields[3][0] - 'a') + (state.Side == Black ? 16 : 40)));
    }
    return rooks;
}

TCastlingRooks OutermostCastlingRooks(const TBoard& board, TCastlingRooks given) {
    given.Active = true;
    for (int wing = 0; wing < 4; ++wing) {
        if (given.Rook[static_cast<size_t>(wing)]) continue;
        const int side = SideOfWing(wing);
        const int king = HomeKing(board, side);
        if (king) given.Rook[static_cast<size_t>(wing)] = static_cast<int8_t>(OutermostRook(board, side, ShortWing(wing), king));
    }
    return given;
}

std::string CastlingField(const TBoard& board, const TMoveRecord& state, const TCastlingRooks& rooks) {
    std::string field;
    static constexpr char kLetters[4] = {'K', 'Q', 'k', 'q'};
    for (int wing = 0; wing < 4; ++wing) {
        if (!(state.Castling & WingBit(wing))) continue;
        const int side = SideOfWing(wing);
        const int rook = rooks.Rook[static_cast<size_t>(wing)];
        char letter = kLetters[wing];
        if (rook && rooks.Active) {
            const int king = HomeKing(board, side);
            const bool outermost = king && OutermostRook(board, side, ShortWing(wing), king) == rook;
            if (rooks.Notation == TCastlingNotation::Shredder || !outermost)
                letter = static_cast<char>((side == White ? 'A' : 'a') + FileOf(rook));
        }
        field += letter;
    }
    return field.empty() ? std::string("-") : field;
}

std::string PositionToFEN(const TBoard& board, const TMoveRecord& state, int moveNo, const TCastlingRooks& rooks) {
    std::string fen = PositionToFEN(board, state, moveNo);
    if (!rooks.Active) return fen;
    // Board, side, castling: the third field is replaced.
    const size_t a = fen.find(' ', fen.find(' ') + 1);
    const size_t b = fen.find(' ', a + 1);
    return fen.replace(a + 1, b - a - 1, CastlingField(board, state, rooks));
}

bool MakeRookFileCastle(const TBoard& board, const TCastlingRooks& rooks, int side, int castleKind, TMoveRecord& move) {
    if (castleKind != 1 && castleKind != 2) return false;
    side = side == White ? White : Black;
    const int king = HomeKing(board, side);
    const int rook = rooks.Rook[static_cast<size_t>(WingOf(side, castleKind))];
    if (!king || !rook || board[rook] != Rook * side) return false;
    move.FromSq = static_cast<int8_t>(king);
    move.ToSq = static_cast<int8_t>(BackRankBase(side) + (castleKind == 1 ? 7 : 3));
    move.CastleKind = static_cast<int8_t>(castleKind);
    move.EpVictim = static_cast<int8_t>(rook);
    move.Captured = 0;
    return true;
}

namespace {
inline int RookDestination(const TMoveRecord& move) { return move.CastleKind == 1 ? move.ToSq - 1 : move.ToSq + 1; }
}  // namespace

void PlayRookFileCastle(TBoard& board, const TMoveRecord& move) {
    const int king = board[move.FromSq];
    const int rook = board[move.EpVictim];
    board[move.FromSq] = Empty;
    board[move.EpVictim] = Empty;
    board[move.ToSq] = king;
    board[RookDestination(move)] = rook;
}

void TakeBackRookFileCastle(TBoard& board, const TMoveRecord& move) {
    const int king = board[move.ToSq];
    const int rook = board[RookDestination(move)];
    board[move.ToSq] = Empty;
    board[RookDestination(move)] = Empty;
    board[move.FromSq] = king;
    board[move.EpVictim] = rook;
}

bool IsLegalRookFileMove(const TBoard& board, const TMoveRecord& move, const TCastlingRooks& rooks) {
    if (move.CastleKind == 0) {
        TMoveRecord plain = move;
        plain.Castling = 0;  // a king's two-square step is no castling here
        return IsLegalMove(board, plain);
    }
    if (move.CastleKind != 1 && move.CastleKind != 2) return false;
    const int side = move.Side == White ? White : Black;
    const int wing = WingOf(side, move.CastleKind);
    const int king = move.FromSq;
    const int rook = rooks.Rook[static_cast<size_t>(wing)];
    if (!(move.Castling & WingBit(wing)) || !rook || move.EpVictim != rook) return false;
    if (!OnBackRank(king, side) || board[king] != King * side || board[rook] != Rook * side) return false;
    if (WingOfRook(side, king, rook) != wing) return false;
    const int kingTo = BackRankBase(side) + (move.CastleKind == 1 ? 7 : 3);
    const int rookTo = move.CastleKind == 1 ? kingTo - 1 : kingTo + 1;
    if (move.ToSq != kingTo) return false;
    // Without the two castling pieces, both paths must be empty and no square
    // of the king's path attacked: the rook's start can no longer shield one.
    TBoard copy = board;
    copy[king] = Empty;
    copy[rook] = Empty;
    for (int s = std::min(rook, rookTo); s <= std::max(rook, rookTo); ++s)
        if (copy[s] != Empty) return false;
    for (int s = std::min(king, kingTo); s <= std::max(king, kingTo); ++s)
        if (copy[s] != Empty || IsSquareAttacked(s, side, copy)) return false;
    return true;
}

void UpdateRookFileRights(const TBoard& board, TMoveRecord& move, const TCastlingRooks& rooks) {
    int c = move.Castling;
    const int mover = move.Side == White ? White : Black;
    for (int wing = 0; wing < 4; ++wing) {
        const int bit = WingBit(wing);
        if (!(c & bit)) continue;
        const int side = SideOfWing(wing);
        const int rook = rooks.Rook[static_cast<size_t>(wing)];
        const bool moved = (side == mover && board[move.FromSq] == King * mover) || move.FromSq == rook || move.ToSq == rook;
        if (!rook || moved || board[rook] != Rook * side || !HomeKing(board, side)) c &= ~bit;
    }
    move.Castling = static_cast<int8_t>(c);
}
