// Perft throughput of the legality test: leaf positions per second for the
// standard positions at depths beyond what the test suite runs.
#include <benchmark/benchmark.h>

#include "rules/fen.h"
#include "rules/perft.h"

namespace {

void RunPerft(benchmark::State& st, const char* fen, int depth) {
    TBoard board;
    TMoveRecord state = FreshState();
    uint16_t n = 1;
    FENToPosition(fen, board, state, n);
    uint64_t nodes = 0;
    for (auto _ : st) {
        nodes = Perft(board, state, depth);
        benchmark::DoNotOptimize(nodes);
    }
    st.counters["leaves"] = static_cast<double>(nodes);
    st.counters["leaves_per_s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK_CAPTURE(RunPerft, start_d5, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5)
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(RunPerft, kiwipete_d4, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4)
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(RunPerft, endgame_d5, "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 5)
    ->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
