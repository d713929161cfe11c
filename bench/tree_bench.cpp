// The opening tree in process: the next position while browsing a game,
// from the records of the file in $QUARZEL_TREE_FILE (built into the cache
// first when it is not there). Run by bench/opening_tree.sh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

#include "collection/game_list_core.h"
#include "notation/notation_core.h"
#include "search/opening_tree.h"

namespace {

struct TFixture {
    TOpeningTree Tree;
    std::vector<std::pair<TBoard, TMoveRecord>> Line;  // the main line of the file's first long game
    bool Ready = false;

    TFixture() {
        const char* file = std::getenv("QUARZEL_TREE_FILE");
        if (!file) return;
        TGameListCore pgn;
        std::string error;
        if (!pgn.OpenForReading(file, error)) return;
        if (!Tree.LoadCached(file, {})) {
            if (!Tree.Start(pgn, {}, error)) return;
            Tree.Wait();
        }
        TNotationCore core;
        for (int32_t g = 0; g < pgn.GameCount() && Line.size() < 60; ++g) {
            int32_t id = -1;
            std::string text;
            pgn.GetGame(g, id, text);
            core.LoadGame(text);
            Line.assign(1, {core.CurrentPosition(), core.State});
            while (core.StepForward()) Line.emplace_back(core.CurrentPosition(), core.State);
        }
        Ready = Tree.Complete();
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

// One position after the other along a game, as a person steps through it.
void BM_TreeBrowse(benchmark::State& state) {
    TFixture& f = Fixture();
    if (!f.Ready) {
        state.SkipWithError("set QUARZEL_TREE_FILE to a PGN file");
        return;
    }
    size_t ply = 0;
    int64_t games = 0;
    for (auto _ : state) {
        const auto& [board, st] = f.Line[ply];
        games += f.Tree.Tree(board, st).Games;
        ply = (ply + 1) % f.Line.size();
    }
    state.counters["games_reached"] = static_cast<double>(games) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TreeBrowse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
