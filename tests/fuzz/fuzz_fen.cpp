// Feeds arbitrary bytes to the FEN reader; what it accepts must write back
// to a FEN that reads again to the same position.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rules/chess960.h"
#include "rules/fen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
    uint16_t moveNo = 1;
    if (!FENToPosition(text, board, state, moveNo)) return 0;
    for (int s = 0; s < 120; ++s)
        if (!IsRealSquare(s) && board[s] != OffBoard) std::abort();
    std::string written = PositionToFEN(board, state, moveNo);
    TBoard again = EmptyBoard;
    TMoveRecord state2 = FreshState();
    uint16_t moveNo2 = 1;
    if (!FENToPosition(written, again, state2, moveNo2)) std::abort();
    if (again != board || state2.Side != state.Side || moveNo2 != moveNo) std::abort();
    if ((state2.Castling & CastleAll) != (state.Castling & CastleAll)) std::abort();

    // Read by rook file, the castling field writes back to the same rights
    // with the same rooks.
    TMoveRecord byFile = state;
    const TCastlingRooks rooks = ReadCastlingRooks(text, board, byFile, true);
    written = PositionToFEN(board, byFile, moveNo, rooks);
    TMoveRecord state3 = FreshState();
    if (!FENToPosition(written, again, state3, moveNo2)) std::abort();
    const TCastlingRooks rooks3 = ReadCastlingRooks(written, again, state3, true);
    if (rooks3.Rook != rooks.Rook || (state3.Castling & CastleAll) != (byFile.Castling & CastleAll)) std::abort();
    return 0;
}
