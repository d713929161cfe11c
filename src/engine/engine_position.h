// The position an engine is asked about, and the moves between its words
// and ours. An engine reads moves as UCI coordinates ("e2e4", "e7e8q"; in a
// Chess960 game castling is the king taking its own rook, "e1h1"); the pane
// and the CLI show its lines in short algebraic notation as the notation
// writes moves (check and mate signs included). Nothing here knows of a
// process: src/engine/uci_engine.h drives the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/chess960.h"
#include "rules/position.h"

class TNotationCore;

// A position for the engine: where the game started and the moves since,
// which the engine is sent (so that it sees repetitions), and the position
// reached, from which its lines are read.
struct TEnginePosition {
    std::string StartFen;            // "position fen StartFen moves Moves..."
    std::vector<std::string> Moves;  // UCI moves from StartFen to the position
    TBoard Board = InitialPosition;  // the position reached
    TMoveRecord State = FreshState();  // its side to move, castling rights, en-passant square
    TCastlingRooks Rooks;            // Active: a Chess960 game (castling by rook file)
    std::string Fen;                 // the position reached, with its true move number and clock

    bool Chess960() const { return Rooks.Active; }
    // The line sent after "position".
    std::string UciCommand() const;
    bool operator==(const TEnginePosition& other) const {
        return StartFen == other.StartFen && Moves == other.Moves && Fen == other.Fen;
    }
};

// Reads a FEN as the fen command does; castling letters that cannot mean the
// standard corners (Shredder or X-FEN letters) make it a Chess960 position.
// False when the text is no FEN or the side not to move is in check.
bool EnginePositionOfFen(std::string_view fen, TEnginePosition& position);

// The notation's current position: the game's start and the moves along the
// path to the current move (a null move, which UCI cannot say, starts the
// move list afresh from the position after it). A path of over 600 moves is
// sent as the position alone.
TEnginePosition EnginePositionOfGame(const TNotationCore& core);

// The UCI text of a move of the game tree (Side = the side to move after
// it); "" for a null move. A Chess960 game's castling is king takes rook.
std::string UciMoveText(const TMoveRecord& move, bool chess960);

// The number of legal moves in the position (a promotion counts four times,
// as UCI counts it); 0 for mate or stalemate.
int LegalMoveCount(const TEnginePosition& position);

// The position after the first `count` moves of an engine's line (as far as
// they are legal); `lastMove` gets the last of them as the game tree keeps a
// move (Side = the side to move after it), left alone when none is played.
TEnginePosition PositionAfterLine(const TEnginePosition& position, const std::vector<std::string>& uciMoves,
                                  size_t count, TMoveRecord& lastMove);

// Piece letters by kind (index 0 unused, then pawn, rook, bishop, knight, queen, king).
inline constexpr std::string_view kEnglishPieceLetters = " PRBNQK";
inline constexpr std::string_view kGermanPieceLetters = " BTLSDK";

// The engine's line (UCI moves from `position`) in short algebraic notation,
// each move with its "+" or "#"; it ends before the first move that is not
// legal (a wrong or garbled line shows only its good start).
std::vector<std::string> LineToSan(const TEnginePosition& position, const std::vector<std::string>& uciMoves,
                                   std::string_view letters = kEnglishPieceLetters);
