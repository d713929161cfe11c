#include "rules/strict_fen.h"

#include <bit>
#include <charconv>
#include <vector>

namespace {

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    auto blank = [&](size_t k) { return text[k] == ' ' || text[k] == '\t'; };
    while (i < text.size()) {
        while (i < text.size() && blank(i)) ++i;
        const size_t start = i;
        while (i < text.size() && !blank(i)) ++i;
        if (i > start) fields.push_back(text.substr(start, i - start));
    }
    return fields;
}

// The piece of a FEN letter ("K" +6 ... "p" -1); Empty for any other character.
int PieceOf(char c) {
    const size_t at = c == ' ' ? std::string_view::npos : PieceLetters.find(c);
    return at == std::string_view::npos ? Empty : static_cast<int>(at) - 6;
}

// A piece of the text in quotes, control characters as \xNN: the reason
// stays one line.
std::string Quoted(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "'";
    for (char c : s.substr(0, 40)) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
        else out += c;
    }
    return out + (s.size() > 40 ? "...'" : "'");
}

bool ReadBoard(std::string_view field, TBoard& board, std::string& error) {
    board = EmptyBoard;
    int rank = 7, file = 0;
    for (char c : field) {
        if (c == '/') {
            if (file != 8) {
                error = "rank " + std::to_string(rank + 1) + " has " + std::to_string(file) + " squares, not 8";
                return false;
            }
            if (--rank < 0) {
                error = "the board has more than 8 ranks";
                return false;
            }
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else if (const int piece = PieceOf(c)) {
            if (file < 8) board[Index64ToSquare(rank * 8 + file)] = piece;
            ++file;
        } else {
            error = "unknown piece letter " + Quoted(std::string_view(&c, 1)) + " on the board";
            return false;
        }
        if (file > 8) {
            error = "rank " + std::to_string(rank + 1) + " has more than 8 squares";
            return false;
        }
    }
    if (rank > 0 || file != 8) {
        error = rank > 0 ? "the board has " + std::to_string(8 - rank) + " ranks, not 8"
                         : "rank 1 has " + std::to_string(file) + " squares, not 8";
        return false;
    }
    return true;
}

// Standard rights: the king on its e-file square, the rook in the corner.
bool StandardRightHolds(const TBoard& board, char letter) {
    const bool white = letter == 'K' || letter == 'Q';
    const int side = white ? White : Black;
    const int base = white ? 20 : 90;
    const int corner = (letter == 'K' || letter == 'k') ? base + 8 : base + 1;
    return board[base + 5] == King * side && board[corner] == Rook * side;
}

bool ReadCastling(std::string_view fen, std::string_view field, const TBoard& board, TMoveRecord& state,
                  TCastlingRooks& rooks, std::string& error) {
    state.Castling = 0;
    rooks = TCastlingRooks{};
    if (field == "-") return true;
    bool fileLetters = false;
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        const bool standard = c == 'K' || c == 'Q' || c == 'k' || c == 'q';
        const bool file = (c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h');
        if ((!standard && !file) || field.find(c, i + 1) != std::string_view::npos) {
            error = "castling field " + Quoted(field) + " is not '-' or letters KQkq or rook files";
            return false;
        }
        fileLetters = fileLetters || file;
        if (c == 'K') state.Castling |= CastleWK;
        if (c == 'Q') state.Castling |= CastleWQ;
        if (c == 'k') state.Castling |= CastleBK;
        if (c == 'q') state.Castling |= CastleBQ;
    }
    rooks = ReadCastlingRooks(fen, board, state, false);  // fen: the fields apart by single blanks
    if (!rooks.Active) {
        for (char c : field)
            if (!StandardRightHolds(board, c)) {
                error = "castling right " + Quoted(std::string_view(&c, 1)) + " without its king and rook at home";
                return false;
            }
        return true;
    }
    // By rook file: every letter must have named a rook of its own.
    if (std::popcount(static_cast<unsigned>(state.Castling & CastleAll)) != static_cast<int>(field.size())) {
        error = "castling field " + Quoted(field) + " names a right without its king and rook at home";
        return false;
    }
    return true;
}

bool ReadEnPassant(std::string_view field, const TBoard& board, TMoveRecord& state, std::string& error) {
    state.EpSquare = 0;
    if (field == "-") return true;
    const int side = state.Side;
    const char rank = side == White ? '6' : '3';
    if (field.size() != 2 || field[0] < 'a' || field[0] > 'h' || field[1] != rank) {
        error = "en-passant field " + Quoted(field) + " is not '-' or a square on rank " + std::string(1, rank);
        return false;
    }
    const int sq = 21 + (field[0] - 'a') + 10 * (field[1] - '1');
    // The pawn of the side not to move went from behind the square to in
    // front of it: the square and the one behind are empty.
    if (board[sq] != Empty || board[sq + 10 * side] != Empty || board[sq - 10 * side] != -Pawn * side) {
        error = "en-passant square " + std::string(field) + " follows no double step";
        return false;
    }
    state.EpSquare = static_cast<int8_t>(sq);
    return true;
}

bool ReadNumber(std::string_view field, const char* what, std::string& error) {
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || ptr != field.data() + field.size() || value > 65535) {
        error = std::string(what) + " " + Quoted(field) + " is not a number";
        return false;
    }
    return true;
}

}  // namespace

bool ReadStrictFEN(std::string_view fen, TBoard& board, TMoveRecord& state, TCastlingRooks& rooks, std::string& error) {
    const std::vector<std::string_view> f = Fields(fen);
    static constexpr const char* kMissing[] = {"the FEN is empty", "the side to move is missing",
                                               "the castling field is missing", "the en-passant field is missing"};
    if (f.size() < 4) {
        error = kMissing[f.size()];
        return false;
    }
    if (f.size() > 6) {
        error = "text after the move number: " + Quoted(f[6]);
        return false;
    }
    TBoard b = EmptyBoard;
    TMoveRecord s = state;
    TCastlingRooks r;
    if (!ReadBoard(f[0], b, error)) return false;
    if (f[1] != "w" && f[1] != "b") {
        error = "the side to move is " + Quoted(f[1]) + ", not w or b";
        return false;
    }
    s.Side = static_cast<int8_t>(f[1] == "w" ? White : Black);
    std::string spaced;
    for (std::string_view field : f) (spaced += field) += ' ';
    if (!ReadCastling(spaced, f[2], b, s, r, error) || !ReadEnPassant(f[3], b, s, error)) return false;
    if (f.size() > 4 && !ReadNumber(f[4], "the half-move clock", error)) return false;
    if (f.size() > 5 && !ReadNumber(f[5], "the move number", error)) return false;
    s.EpVictim = s.CastleKind = s.Promotion = s.Captured = 0;
    s.Flags = 0;
    s.MoveNag = 0;
    board = b;
    state = s;
    rooks = r;
    return true;
}
