#include "engine/engine_position.h"

#include <cstdlib>

#include "notation/game_tree.h"
#include "notation/move_numbers.h"
#include "notation/notation_core.h"
#include "notation/san_resolve.h"
#include "notation/san_text.h"
#include "rules/fen.h"
#include "rules/legality.h"
#include "rules/perft.h"

namespace {

// The most moves sent after the game's start FEN.
constexpr size_t kMaxSentMoves = 600;

int SquareOfText(std::string_view t) {
    if (t.size() < 2 || !san::IsFile(t[0]) || !san::IsRank(t[1])) return 0;
    return san::SquareOf(t[0], t[1]);
}

int KindOfLetter(char c) {
    switch (c) {
        case 'q': return Queen;
        case 'r': return Rook;
        case 'b': return Bishop;
        case 'n': return Knight;
        default: return 0;
    }
}

// Reads a UCI move of the side to move into a move record (Side = the
// mover); false when it is no legal move there.
bool ReadUciMove(const TBoard& board, const TMoveRecord& state, const TCastlingRooks& rooks, std::string_view uci,
                 TMoveRecord& move) {
    if (uci.size() < 4 || uci.size() > 5) return false;
    const int from = SquareOfText(uci.substr(0, 2));
    const int to = SquareOfText(uci.substr(2, 2));
    const int side = state.Side == White ? White : Black;
    if (!from || !to || board[from] == Empty || (board[from] > 0) != (side > 0)) return false;
    const int kind = std::abs(board[from]);
    move = TMoveRecord{};
    move.Castling = state.Castling;
    move.EpSquare = state.EpSquare;
    move.Side = static_cast<int8_t>(side);
    move.FromSq = static_cast<int8_t>(from);
    move.ToSq = static_cast<int8_t>(to);
    if (rooks.Active && kind == King && board[to] == side * Rook) {
        // King takes its own rook: castling to that rook's wing.
        const int castleKind = to > from ? 1 : 2;
        if (!MakeRookFileCastle(board, rooks, side, castleKind, move) || move.EpVictim != to) return false;
        move.Castling = state.Castling;
        move.EpSquare = state.EpSquare;
        return IsLegalRookFileMove(board, move, rooks);
    }
    if (!rooks.Active && kind == King && std::abs(to - from) == 2) move.CastleKind = static_cast<int8_t>(to > from ? 1 : 2);
    if (kind == Pawn && to == state.EpSquare && board[to] == Empty && to % 10 != from % 10)
        move.EpVictim = static_cast<int8_t>(to - 10 * side);
    const bool lastRank = kind == Pawn && (to >= 91 || to <= 28);
    const int promotion = uci.size() == 5 ? KindOfLetter(uci[4]) : 0;
    if (lastRank != (promotion != 0)) return false;
    move.Promotion = static_cast<int8_t>(side * promotion);
    move.Captured = static_cast<int8_t>(board[to]);
    return IsLegal(board, move, rooks);
}

// Plays `move` (Side = the mover) on board and state; returns the move as the
// game tree keeps it.
TMoveRecord Play(TBoard& board, TMoveRecord& state, TMoveRecord move, const TCastlingRooks& rooks) {
    const int side = move.Side;
    if (rooks.Active) UpdateRookFileRights(board, move, rooks);
    else san::UpdateCastlingRights(board, move);
    const bool doubleStep = std::abs(board[move.FromSq]) == Pawn && std::abs(move.ToSq - move.FromSq) == 20;
    move.EpSquare = static_cast<int8_t>(doubleStep ? move.FromSq + 10 * side : 0);
    move.Side = static_cast<int8_t>(-side);
    MakeMove(board, move);
    state.Castling = move.Castling;
    state.EpSquare = move.EpSquare;
    state.Side = move.Side;
    return move;
}

}  // namespace

std::string TEnginePosition::UciCommand() const {
    std::string text = "position fen " + StartFen;
    if (!Moves.empty()) text += " moves";
    for (const std::string& m : Moves) text += " " + m;
    return text;
}

bool EnginePositionOfFen(std::string_view fen, TEnginePosition& position) {
    TEnginePosition p;
    uint16_t moveNo = 1;
    p.Board = EmptyBoard;
    if (!FENToPosition(fen, p.Board, p.State, moveNo)) return false;
    p.Rooks = ReadCastlingRooks(fen, p.Board, p.State, false);
    const int white = FindKing(true, p.Board), black = FindKing(false, p.Board);
    if (white < 0 || black < 0) return false;
    const int waiting = p.State.Side == White ? Black : White;
    if (IsSquareAttacked(waiting == White ? white : black, waiting, p.Board)) return false;
    p.StartFen = p.Fen = PositionToFEN(p.Board, p.State, moveNo, p.Rooks);
    position = std::move(p);
    return true;
}

TEnginePosition EnginePositionOfGame(const TNotationCore& core) {
    TEnginePosition p;
    const TGameData& game = core.Game;
    p.Rooks = game.CastlingRooks;
    std::vector<const TMoveNode*> path;
    for (const TMoveNode* n = core.Current; n;) {
        path.push_back(n);
        while (IsVariationStart(n)) n = n->Prev;
        n = n->Prev;
    }
    p.Board = core.Board;
    p.State = core.State;
    const TMoveNumbers numbers = CurrentMoveNumbers(core);
    p.Fen = WithHalfMoveClock(PositionToFEN(p.Board, p.State, numbers.FullMove, p.Rooks), numbers.HalfMoveClock);
    if (path.size() > kMaxSentMoves) {
        // A very long way: the position alone (the engine misses repetitions only).
        p.StartFen = p.Fen;
        return p;
    }
    TBoard board = game.StartPosition;
    p.StartFen = PositionToFEN(board, game.StartState, game.StartMoveNo, p.Rooks);
    int plies = game.StartState.Side == Black ? 1 : 0;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const TMoveRecord& move = (*it)->Move;
        MakeMove(board, move);
        ++plies;
        const std::string uci = UciMoveText(move, p.Rooks.Active);
        if (!uci.empty()) {
            p.Moves.push_back(uci);
            continue;
        }
        p.Moves.clear();
        p.StartFen = PositionToFEN(board, move, game.StartMoveNo + plies / 2, p.Rooks);
    }
    return p;
}

std::string UciMoveText(const TMoveRecord& move, bool chess960) {
    if (IsNullMove(move) || !IsRealSquare(move.FromSq) || !IsRealSquare(move.ToSq)) return {};
    std::string text(SquareName(move.FromSq));
    if (chess960 && IsRookFileCastle(move)) text += SquareName(move.EpVictim);
    else text += SquareName(move.ToSq);
    if (move.Promotion) text += " prbnqk"[std::abs(move.Promotion) % 7];
    return text;
}

int LegalMoveCount(const TEnginePosition& position) {
    TMoveRecord state = position.State;
    state.Side = state.Side == Black ? Black : White;
    return static_cast<int>(Perft(position.Board, state, 1, position.Rooks));
}

std::vector<std::string> LineToSan(const TEnginePosition& position, const std::vector<std::string>& uciMoves,
                                   std::string_view letters) {
    std::vector<std::string> san;
    TEnginePosition at = position;
    if (letters.size() < 7) letters = kEnglishPieceLetters;
    for (const std::string& uci : uciMoves) {
        TMoveRecord move;
        if (!ReadUciMove(at.Board, at.State, at.Rooks, uci, move)) break;
        std::string text = SanText(at.Board, move, at.Rooks, letters);
        Play(at.Board, at.State, move, at.Rooks);
        const int king = FindKing(at.State.Side == White, at.Board);
        if (king >= 0 && IsSquareAttacked(king, at.State.Side, at.Board)) text += LegalMoveCount(at) == 0 ? '#' : '+';
        san.push_back(std::move(text));
    }
    return san;
}

TEnginePosition PositionAfterLine(const TEnginePosition& position, const std::vector<std::string>& uciMoves,
                                  size_t count, TMoveRecord& lastMove) {
    TEnginePosition at = position;
    for (size_t i = 0; i < count && i < uciMoves.size(); ++i) {
        TMoveRecord move;
        if (!ReadUciMove(at.Board, at.State, at.Rooks, uciMoves[i], move)) break;
        lastMove = Play(at.Board, at.State, move, at.Rooks);
        at.Moves.push_back(uciMoves[i]);
    }
    return at;
}
