#include "rules/fen.h"

#include <cctype>
#include <charconv>

namespace {

int PieceOfLetter(char ch) {
    switch (ch) {
        case 'K': return King;
        case 'Q': return Queen;
        case 'R': return Rook;
        case 'B': return Bishop;
        case 'N': return Knight;
        case 'P': return Pawn;
        case 'k': return -King;
        case 'q': return -Queen;
        case 'r': return -Rook;
        case 'b': return -Bishop;
        case 'n': return -Knight;
        case 'p': return -Pawn;
        default: return Empty;
    }
}

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// The move number field: an optional sign and decimal digits that fit the
// 16-bit counter. Anything else leaves the caller's number alone.
bool ParseMoveNumber(std::string_view field, uint16_t& moveNo) {
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    long value = 0;
    auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc() || ptr != field.data() + field.size()) return false;
    if (value < 0 || value > 0xFFFF) return false;
    moveNo = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

std::string PositionToFEN(const TBoard& board, const TMoveRecord& state, int moveNo) {
    std::string fen;
    fen.reserve(90);
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            int piece = board[Index64ToSquare(rank * 8 + file)];
            if (piece == Empty || piece < -King || piece > King) {
                ++empty;
                continue;
            }
            if (empty) fen += static_cast<char>('0' + empty);
            empty = 0;
            fen += PieceLetter(piece);
        }
        if (empty) fen += static_cast<char>('0' + empty);
        if (rank > 0) fen += '/';
    }
    fen += state.Side == White ? " w " : " b ";
    if (state.Castling & CastleWK) fen += 'K';
    if (state.Castling & CastleWQ) fen += 'Q';
    if (state.Castling & CastleBK) fen += 'k';
    if (state.Castling & CastleBQ) fen += 'q';
    // Bit 1 carries no right: a state holding only it has no castling either.
    if ((state.Castling & CastleAll) == 0) fen += '-';
    if (state.EpSquare != 0 && IsRealSquare(state.EpSquare)) {
        fen += ' ';
        fen += SquareName(state.EpSquare);
        fen += " 0";
    } else {
        fen += " - 0";
    }
    fen += ' ';
    fen += std::to_string(moveNo);
    return fen;
}

bool FENToPosition(std::string_view fen, TBoard& board, TMoveRecord& state, uint16_t& moveNo) {
    if (fen.empty()) return false;

    // The board field: n walks index64 from one before a8; "/" drops a rank.
    TBoard work = EmptyBoard;
    int count = 0;
    int n = 55;
    int separators = 0;
    size_t i = 0;
    for (; i < fen.size(); ++i) {
        char ch = fen[i];
        if (ch == '/') {
            n -= 16;
            ++separators;
        } else if (ch >= '1' && ch <= '8') {
            int d = ch - '0';
            n += d;
            count += d;
            // "88" without a slash stands for two separated empty ranks.
            if (ch == '8' && i + 1 < fen.size() && fen[i + 1] == '8') {
                n -= 16;
                ++separators;
            }
        } else {
            ++count;
            ++n;
            if (n < 0 || n > 63) return false;
            work[Index64ToSquare(n)] = PieceOfLetter(ch);
        }
        if (count >= 64) break;
        // Keep n from running far away on absurd input; any further piece
        // would be rejected anyway.
        if (n < -1000000 || n > 1000000) return false;
    }
    if (separators != 7) return false;
    board = work;

    state.EpSquare = 0;
    state.Side = White;
    state.Castling = 0;
    state.EpVictim = 0;
    state.CastleKind = 0;
    state.Promotion = 0;
    state.Captured = 0;
    state.Flags = 0;
    state.MoveNag = 0;

    // The letters after the board, in any order; the last character is
    // never looked at here (it is part of the move number field).
    const size_t end = fen.size() - 1;
    for (size_t j = i + 1; j < end; ++j) {
        char ch = fen[j];
        if (ch == ' ' || IsDigit(ch)) continue;
        if (IsDigit(fen[j + 1])) {
            if (ch == 'f' && fen[j + 1] == '1') {
                moveNo = 1;
            } else {
                int f = std::toupper(static_cast<unsigned char>(ch)) - 'A';
                // Only a file letter names an en-passant square.
                if (f >= 0 && f < 8) state.EpSquare = static_cast<int8_t>(Index64ToSquare(f + (state.Side == Black ? 16 : 40)));
            }
            ++j;
            continue;
        }
        switch (ch) {
            case 'K': state.Castling |= CastleWK; break;
            case 'Q': state.Castling |= CastleWQ; break;
            case 'k': state.Castling |= CastleBK; break;
            case 'q': state.Castling |= CastleBQ; break;
            case 'w': state.Side = White; break;
            case 'b': state.Side = Black; break;
            default: break;
        }
    }

    // The move number is the sixth field. A FEN without it, or with 0
    // there, starts at move 1.
    int fields = 0;
    for (size_t j = 0; j < fen.size(); ++j)
        if (fen[j] != ' ' && (j == 0 || fen[j - 1] == ' ')) ++fields;
    size_t blank = fen.rfind(' ');
    std::string_view last = blank == std::string_view::npos ? fen : fen.substr(blank + 1);
    if (fields < 6) moveNo = 1;
    else ParseMoveNumber(last, moveNo);
    if (moveNo == 0) moveNo = 1;
    return true;
}

std::string WithHalfMoveClock(const std::string& fen, int clock) {
    // The clock is the field before the last one.
    const size_t last = fen.rfind(' ');
    if (last == std::string::npos || last == 0) return fen;
    const size_t before = fen.rfind(' ', last - 1);
    if (before == std::string::npos) return fen;
    return fen.substr(0, before + 1) + std::to_string(clock) + fen.substr(last);
}
