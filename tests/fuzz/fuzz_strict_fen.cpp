// Feeds arbitrary bytes to the strict FEN reader of search targets: what it
// accepts writes back to a FEN it reads again to the same position, rights
// and rooks (a set-up by rook file whose rooks stand in the corners may come
// back as a standard one), and the tolerant reader reads that text alike;
// what it refuses comes with a one-line reason.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rules/fen.h"
#include "rules/strict_fen.h"
#include "search/position_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
    TCastlingRooks rooks;
    std::string error;
    TSearchTarget target;
    std::string targetError;
    if (TargetFromFEN(text, target, targetError) != targetError.empty()) std::abort();
    if (targetError.find('\n') != std::string::npos) std::abort();
    if (!ReadStrictFEN(text, board, state, rooks, error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    for (int s = 0; s < 120; ++s)
        if (!IsRealSquare(s) && board[s] != OffBoard) std::abort();
    const std::string written = PositionToFEN(board, state, 1, rooks);
    TBoard again = EmptyBoard;
    TMoveRecord state2 = FreshState();
    TCastlingRooks rooks2;
    if (!ReadStrictFEN(written, again, state2, rooks2, error)) std::abort();
    if (again != board || state2.Side != state.Side || state2.EpSquare != state.EpSquare ||
        (state2.Castling & CastleAll) != (state.Castling & CastleAll) ||
        (rooks.Active && rooks2.Active && rooks2.Rook != rooks.Rook))
        std::abort();
    // The reader of FEN tags in files (tolerant, then castling by rook file)
    // agrees on what the strict one wrote.
    TMoveRecord tolerant = FreshState();
    uint16_t moveNo = 1;
    if (!FENToPosition(written, again, tolerant, moveNo) || again != board) std::abort();
    const TCastlingRooks rooks3 = ReadCastlingRooks(written, again, tolerant, false);
    if (tolerant.Side != state.Side || (tolerant.Castling & CastleAll) != (state.Castling & CastleAll) ||
        (rooks.Active && rooks3.Active && rooks3.Rook != rooks.Rook))
        std::abort();
    return 0;
}
