// Feeds arbitrary bytes to the engine's line reader as an engine's output:
// the first line is a FEN (the start position when it is none), every other
// line is read as UCI and its moves written in our notation. Whatever the
// engine says, the line reader neither crashes nor writes more moves than it
// was given, and a line's moves played out stay a position that reads back.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/engine_position.h"
#include "engine/uci_text.h"
#include "rules/fen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t firstEnd = std::min(text.find('\n'), text.size());
    TEnginePosition position;
    if (!EnginePositionOfFen(text.substr(0, firstEnd), position))
        EnginePositionOfFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", position);
    size_t start = firstEnd + 1;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const TUciLine line = ReadUciLine(text.substr(start, end - start));
        start = end + 1;
        if (line.Type != TUciLine::Kind::Info) continue;
        ScoreText(line.Info.Score);
        const std::vector<std::string> san = LineToSan(position, line.Info.Pv);
        if (san.size() > line.Info.Pv.size()) std::abort();
        TMoveRecord last = position.State;
        const TEnginePosition after = PositionAfterLine(position, line.Info.Pv, san.size(), last);
        if (after.Moves.size() != san.size()) std::abort();
        TBoard board = EmptyBoard;
        TMoveRecord state = FreshState();
        uint16_t moveNo = 1;
        if (!FENToPosition(PositionToFEN(after.Board, after.State, 1), board, state, moveNo) || board != after.Board)
            std::abort();
    }
    return 0;
}
