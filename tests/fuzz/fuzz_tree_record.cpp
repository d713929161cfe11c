// The opening tree's record of a game over arbitrary bytes taken as a PGN
// file: played back, every game's record must stand on exactly the
// positions the viewer's loader reaches in its main line (placement, side,
// castling rights, the en-passant square by meaning), and the summary may
// never rule out a position the game reaches. Never a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "notation/notation_core.h"
#include "search/position_search.h"
#include "search/tree_game_reader.h"
#include "search/tree_query.h"

namespace {

// A broken promise: which one, then the crash libFuzzer keeps.
#define REQUIRE(cond)                                                \
    do {                                                             \
        if (!(cond)) {                                               \
            std::fprintf(stderr, "broken: %s (line %d)\n", #cond, __LINE__); \
            std::abort();                                            \
        }                                                            \
    } while (0)

bool Same(const TBoard& a, const TMoveRecord& sa, const TBoard& b, const TMoveRecord& sb) {
    return a == b && sa.Side == sb.Side && (sa.Castling & CastleAll) == (sb.Castling & CastleAll) &&
           EffectiveEpSquare(a, sa) == EffectiveEpSquare(b, sb);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TTreeGameReader reader;
    TNotationCore core;
    core.KeepComments = false;
    std::string record;
    for (const auto& [start, end] : SplitGames(bytes)) {
        std::string_view text = bytes.substr(start, end - start);
        const size_t nul = text.find('\0');
        if (nul != std::string_view::npos) text = text.substr(0, nul);
        text = TrimBlanks(text);
        TTreeGameInfo info;
        reader.Read(text, record, info);
        if (info.Flags & kGameUnread) continue;
        // The loader's main line.
        core.LoadGame(text);
        std::vector<std::pair<TBoard, TMoveRecord>> line{{core.Game.StartPosition, core.Game.StartState}};
        TBoard board = core.Game.StartPosition;
        for (const TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m; m = m->Next) {
            TMoveRecord state = m->Move;
            MakeMove(board, state);
            line.emplace_back(board, state);
        }
        // The record played back, its head and tail split as a chunk keeps them.
        std::string head(2 * kHeadWords, '\0');
        size_t headBytes = 0;
        if (!(info.Flags & kGameFromFen)) {
            headBytes = std::min<size_t>(record.size(), head.size());
            std::memcpy(head.data(), record.data(), headBytes);
        }
        const std::string tail = record.substr(headBytes);
        TTreeGameCursor cur;
        cur.Start(info, reinterpret_cast<const uint8_t*>(head.data()));
        REQUIRE(cur.HasStart() || cur.SetTail(reinterpret_cast<const uint8_t*>(tail.data()), tail.size()));
        for (size_t ply = 0;; ++ply) {
            REQUIRE(ply < line.size() && Same(cur.Board, cur.State, line[ply].first, line[ply].second));
            TSearchTarget t = TreeTarget(line[ply].first, line[ply].second);
            REQUIRE(MayReach(info, t));
            TTreeGameCursor::TStep step = cur.Next();
            if (step == TTreeGameCursor::NeedTail) {
                REQUIRE(cur.SetTail(reinterpret_cast<const uint8_t*>(tail.data()), tail.size()));
                step = cur.Next();
            }
            if (step == TTreeGameCursor::End) {
                // Games are kept to their first 65,000 or so moves.
                REQUIRE(ply + 1 == line.size() || line.size() >= 0xFF00);
                break;
            }
            REQUIRE(step == TTreeGameCursor::Moved);
        }
    }
    return 0;
}
