// The position search over arbitrary bytes taken as a PGN file. The target
// is a position the loader reaches in the first game (the first byte picks
// the ply), so that hits happen; every game must give the same plies on the
// fast path (without early rejection) as through the loader alone, early
// rejection may only drop plies (it relies on legal moves, which bytes
// rarely are), and the search must never crash; nor may the naming of a
// game's opening, which reads the same text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "notation/notation_core.h"
#include "rules/fen.h"
#include "search/opening_names.h"
#include "search/position_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::pair<size_t, size_t>> games = SplitGames(bytes);

    TSearchTarget target;
    std::string error;
    if (!games.empty()) {
        TNotationCore core;
        core.LoadGame(std::string(bytes.substr(games[0].first, games[0].second - games[0].first)));
        for (int ply = data[0] % 16; ply > 0 && core.StepForward(); --ply) {
        }
        // A position the rules refuse is replaced by the standard start.
        if (!TargetFromFEN(PositionToFEN(core.CurrentPosition(), core.State, 1), target, error))
            TargetFromFEN("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", target, error);
    }
    TPositionMatcher fast(target), loaded(target), rejecting(target);
    fast.EarlyRejection = false;
    loaded.AlwaysLoad = true;
    for (const auto& [start, end] : games) {
        std::string_view text = bytes.substr(start, end - start);
        const size_t nul = text.find('\0');
        if (nul != std::string_view::npos) text = text.substr(0, nul);
        std::vector<int32_t> a, b, c;
        fast.Search(text, a);
        loaded.Search(text, b);
        rejecting.Search(text, c);
        if (a != b) std::abort();
        for (int32_t ply : c)
            if (std::find(a.begin(), a.end(), ply) == a.end()) std::abort();
        const TOpeningName opening = OpeningOfGame(text);
        if (opening.Eco.empty() != opening.Name.empty()) std::abort();
    }
    std::vector<TSearchHit> hits;
    SearchPgnBytes(bytes, "8/8/8/8/8/8/8/8 w - - 0 1", hits, error);  // refused: no kings
    if (!hits.empty()) std::abort();
    return 0;
}
