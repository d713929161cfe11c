// The board's drawing cost. A long real game is replayed position by
// position through ShowPosition, as the viewer does when the user steps
// through moves: only the squares a move changed are repainted. A forced
// full repaint of the 80-pixel board is measured beside it for comparison.
#include "platform/offscreen_qt.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "board/qt/board_widget.h"
#include "notation/notation_core.h"

namespace {

struct Replay {
    std::vector<TBoard> positions;
    std::vector<TMoveRecord> states;
    std::string source;
};

// Every position of the longest real game in the shared corpus, read by
// the viewer's own game loader and stepped through with its navigation.
const Replay& Game() {
    static const Replay replay = [] {
        Replay r;
        const std::string path = std::string(QUARZEL_SHARED_PGN_DIR) + "/FIDE_longest_possible_game.pgn";
        std::ifstream in(path, std::ios::binary);
        if (!in) return r;
        std::stringstream text;
        text << in.rdbuf();
        TNotationCore core;
        if (core.LoadGame(text.str()) != 0) return r;
        core.ToStart();
        r.positions.push_back(core.CurrentPosition());
        r.states.push_back(core.State);
        while (core.StepForward()) {
            r.positions.push_back(core.CurrentPosition());
            r.states.push_back(core.State);
        }
        r.source = path;
        return r;
    }();
    return replay;
}

void Replay(benchmark::State& state, int size, TPieceSet set) {
    const auto& game = Game();
    if (game.positions.size() < 2) {
        state.SkipWithError("../shared/pgn/FIDE_longest_possible_game.pgn is absent or unreadable");
        return;
    }
    TBoardWidget board;
    board.SetPieceSet(set);
    board.SetSquareSize(size);
    board.ShowPosition(game.positions[0], game.states[0]);
    board.ResetDrawCounter();
    size_t i = 1;
    long long calls = 0;
    for (auto _ : state) {
        board.ShowPosition(game.positions[i], game.states[i]);
        ++calls;
        if (++i == game.positions.size()) {
            // Back to the start outside the timing: the jump would repaint all.
            state.PauseTiming();
            board.ShowPosition(game.positions[0], game.states[0]);
            board.ResetDrawCounter();
            state.ResumeTiming();
            i = 1;
            calls = 0;
        }
    }
    state.counters["squares_per_call"] = calls ? static_cast<double>(board.SquaresDrawn()) / calls : 0;
    state.counters["plies"] = static_cast<double>(game.positions.size() - 1);
}

void BM_ShowPositionReplay33(benchmark::State& state) { Replay(state, 33, TPieceSet::WinboardF33); }
void BM_ShowPositionReplay80(benchmark::State& state) { Replay(state, 80, TPieceSet::WinboardF80); }

void FullRepaint(benchmark::State& state, int size, TPieceSet set) {
    TBoardWidget board;
    board.SetPieceSet(set);
    board.SetSquareSize(size);
    board.ShowPosition(InitialPosition, FreshState());
    board.ResetDrawCounter();
    for (auto _ : state) board.RedrawBoard(true);
    state.counters["squares_per_call"] =
        static_cast<double>(board.SquaresDrawn()) / static_cast<double>(state.iterations());
}

void BM_FullRepaint33(benchmark::State& state) { FullRepaint(state, 33, TPieceSet::WinboardF33); }
void BM_FullRepaint80(benchmark::State& state) { FullRepaint(state, 80, TPieceSet::WinboardF80); }
// The largest board a grown window shows: 80-pixel cells drawn 1:1 in 99-pixel squares.
void BM_FullRepaint99(benchmark::State& state) { FullRepaint(state, 99, BuiltInSetForSquare(99)); }
// The 21-pixel cells stretched onto 80-pixel squares.
void BM_FullRepaint80Stretched(benchmark::State& state) { FullRepaint(state, 80, TPieceSet::WinboardF21); }

void BM_BuildPieceSheet80(benchmark::State& state) {
    TBoardWidget board;
    for (auto _ : state) benchmark::DoNotOptimize(board.BuildPieceSheet(TPieceSet::WinboardF80));
}

BENCHMARK(BM_ShowPositionReplay33)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShowPositionReplay80)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint33)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint80)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint99)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint80Stretched)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildPieceSheet80)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    PrepareOffscreenQt();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    const auto& game = Game();
    if (!game.source.empty()) {
        // One exact pass: squares repainted per ShowPosition over the whole game.
        TBoardWidget board;
        board.SetPieceSet(TPieceSet::WinboardF33);
        board.SetSquareSize(33);
        board.ShowPosition(game.positions[0], game.states[0]);
        long long total = 0, most = 0;
        for (size_t i = 1; i < game.positions.size(); ++i) {
            board.ResetDrawCounter();
            board.ShowPosition(game.positions[i], game.states[i]);
            total += board.SquaresDrawn();
            most = std::max(most, board.SquaresDrawn());
        }
        const double plies = static_cast<double>(game.positions.size() - 1);
        std::printf("replayed %zu plies of %s\n", game.positions.size() - 1, game.source.c_str());
        std::printf("squares repainted per ShowPosition: %.3f on average, %lld at most (a full repaint: 64)\n",
                    static_cast<double>(total) / plies, most);
    }
    benchmark::Shutdown();
    return 0;
}
