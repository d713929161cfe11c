#include "notation/san_text.h"

#include <cstdlib>

#include "notation/game_tree.h"
#include "notation/san_resolve.h"
#include "rules/legality.h"
#include "rules/perft.h"

bool IsLegal(const TBoard& board, const TMoveRecord& move, const TCastlingRooks& rooks) {
    return rooks.Active ? IsLegalRookFileMove(board, move, rooks) : IsLegalMove(board, move);
}

std::string SanText(const TBoard& board, const TMoveRecord& move, const TCastlingRooks& rooks,
                    std::string_view letters) {
    if (move.CastleKind) return move.CastleKind == 1 ? "O-O" : "O-O-O";
    const int kind = std::abs(board[move.FromSq]);
    const std::string_view fromName = SquareName(move.FromSq);
    const bool capture = board[move.ToSq] != Empty || move.EpVictim != 0;
    std::string text;
    if (kind == Pawn) {
        if (capture) text += fromName[0];
    } else {
        text += letters[static_cast<size_t>(kind)];
        bool rival = false, sameFile = false, sameRank = false;
        for (int i = 0; i < 64 && kind != King; ++i) {
            const int sq = Index64ToSquare(i);
            if (sq == move.FromSq || board[sq] != board[move.FromSq]) continue;
            TMoveRecord other = move;
            other.FromSq = static_cast<int8_t>(sq);
            if (!IsLegal(board, other, rooks)) continue;
            rival = true;
            sameFile = sameFile || sq % 10 == move.FromSq % 10;
            sameRank = sameRank || sq / 10 == move.FromSq / 10;
        }
        if (rival && (!sameFile || sameRank)) text += fromName[0];
        if (rival && sameFile) text += fromName[1];
    }
    if (capture) text += 'x';
    text += SquareName(move.ToSq);
    if (move.Promotion) {
        text += '=';
        text += letters[static_cast<size_t>(std::abs(move.Promotion))];
    }
    return text;
}

std::string SanCheckSign(const TBoard& after, const TMoveRecord& state, const TCastlingRooks& rooks) {
    const int side = state.Side == Black ? Black : White;
    const int king = FindKing(side == White, after);
    if (king < 0 || !IsSquareAttacked(king, side, after)) return {};
    const uint64_t replies = rooks.Active ? Perft(after, state, 1, rooks) : Perft(after, state, 1);
    return replies == 0 ? "#" : "+";
}

bool PlaySanLine(std::string_view line, TBoard& board, TMoveRecord& state, std::string* bad) {
    static const TCastlingRooks kNoRooks{};
    std::string token;
    for (size_t i = 0; i < line.size();) {
        if (san::IsMoveTextBlank(line[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        size_t end = i;
        while (end < line.size() && !san::IsMoveTextBlank(line[end])) ++end;
        std::string_view word = line.substr(start, end - start);
        i = end;
        // A move number ("1.", "1...", "12.e4") is passed over.
        size_t digits = 0;
        while (digits < word.size() && word[digits] >= '0' && word[digits] <= '9') ++digits;
        if (digits > 0 && digits < word.size() && word[digits] == '.') {
            const size_t rest = word.find_first_not_of('.', digits);
            if (rest == std::string_view::npos) continue;
            word.remove_prefix(rest);
        }
        uint8_t signs = 0;
        TMoveRecord move = state;
        const bool read = san::StartsMoveWord(word, 0) && san::ReadMoveWord(word, 0, token, signs) == word.size() &&
                          san::ClassifyMoveWord(token) == san::TWordKind::Move &&
                          san::ReadMove(token, board, move, kNoRooks, state.EpSquare) == san::TMoveReading::Move &&
                          move.ToSq != 0;
        if (!read) {
            if (bad) *bad = std::string(word);
            return false;
        }
        san::UpdateCastlingRights(board, move);
        move.Side = static_cast<int8_t>(-state.Side);
        MakeMove(board, move);
        state = move;
    }
    return true;
}
