// Layout and PGN writer: the largest real games and synthetic games of growing
// size (with variations and comments) to show that time per move stays flat.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "collection/game_list_core.h"
#include "notation/layout.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"
#include "notation/text_position.h"

namespace {

// Knights out and back, an alternative every tenth move and a comment every
// seventh: `moves` full moves.
std::string SyntheticGame(int moves) {
    std::string s = "[Event \"synthetic\"]\n\n";
    s.reserve(static_cast<size_t>(moves) * 40);
    for (int i = 1; i <= moves; ++i) {
        bool out = i % 2 == 1;
        s += std::to_string(i) + ". " + (out ? "Nf3" : "Ng1") + " ";
        if (i % 10 == 0) s += "(" + std::to_string(i) + ". Nc3 Nc6 " + std::to_string(i + 1) + ". Nb1 Nb8) ";
        s += std::to_string(i) + "... " + (out ? "Nf6" : "Ng8") + " ";
        if (i % 7 == 0) s += "{a comment on move " + std::to_string(i) + "} ";
    }
    s += "*\n";
    return s;
}

struct TGame {
    TNotationCore core;
    TUnitMeasure measure;
    TNotationDisplay* display;
    long moves = 0;
    explicit TGame(const std::string& text) {
        display = &AttachLayout(core, &measure);
        display->PaintWidth = 100;
        core.SetEnglish(true);
        core.LoadGame(text);
        ForEachNode(core.Root, [&](TMoveNode*) { ++moves; });
    }
};

void RunLayout(benchmark::State& state, TGame& g) {
    for (auto _ : state) {
        g.core.Relayout();
        benchmark::DoNotOptimize(g.display->Text.data());
    }
    state.counters["moves"] = static_cast<double>(g.moves);
    state.counters["text_bytes"] = static_cast<double>(g.display->Text.size());
    state.counters["ns_per_move"] =
        benchmark::Counter(static_cast<double>(g.moves), benchmark::Counter::kIsIterationInvariantRate |
                                                             benchmark::Counter::kInvert);
}

void RunWriter(benchmark::State& state, TGame& g) {
    std::string out;
    for (auto _ : state) {
        WritePGN(g.core, false, out, false);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["moves"] = static_cast<double>(g.moves);
    state.counters["pgn_bytes"] = static_cast<double>(out.size());
    state.counters["ns_per_move"] =
        benchmark::Counter(static_cast<double>(g.moves), benchmark::Counter::kIsIterationInvariantRate |
                                                             benchmark::Counter::kInvert);
}

void BM_LayoutSynthetic(benchmark::State& state) {
    TGame g(SyntheticGame(static_cast<int>(state.range(0))));
    RunLayout(state, g);
}
BENCHMARK(BM_LayoutSynthetic)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_WriterSynthetic(benchmark::State& state) {
    TGame g(SyntheticGame(static_cast<int>(state.range(0))));
    RunWriter(state, g);
}
BENCHMARK(BM_WriterSynthetic)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

// The largest game (by text size) of each of the biggest real files.
std::string LargestGame(const std::string& file) {
    std::filesystem::path path = std::filesystem::path(QUARZEL_SHARED_PGN_DIR) / file;
    TGameListCore pgn;
    std::string error;
    if (!pgn.OpenForReading(path.string(), error)) return {};
    std::string best;
    for (int i = 0; i < pgn.GameCount(); ++i) {
        std::int32_t id = -1;
        std::string text;
        pgn.GetGame(i, id, text);
        if (text.size() > best.size()) best = text;
    }
    return best;
}

void BM_LayoutReal(benchmark::State& state, const char* file) {
    std::string text = LargestGame(file);
    if (text.empty()) {
        state.SkipWithError("shared PGN file not found");
        return;
    }
    TGame g(text);
    RunLayout(state, g);
}
void BM_WriterReal(benchmark::State& state, const char* file) {
    std::string text = LargestGame(file);
    if (text.empty()) {
        state.SkipWithError("shared PGN file not found");
        return;
    }
    TGame g(text);
    RunWriter(state, g);
}
BENCHMARK_CAPTURE(BM_LayoutReal, longest_game, "FIDE_longest_possible_game.pgn")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriterReal, longest_game, "FIDE_longest_possible_game.pgn")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LayoutReal, largest_commented, "TCEC_Season_24_-_Dfrc_2_Final.pgn")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriterReal, largest_commented, "TCEC_Season_24_-_Dfrc_2_Final.pgn")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LayoutReal, most_variations, "chess-informant-sample.pgn")->Unit(benchmark::kMillisecond);

// Nested alternatives: layout of 100000 levels.
void BM_LayoutNested(benchmark::State& state) {
    std::string s = "[Event \"nested\"]\n\n1. e4 ";
    int depth = static_cast<int>(state.range(0));
    for (int i = 0; i < depth; ++i) s += (i % 2 == 0) ? "(1. d4 " : "(1. c4 ";
    s += std::string(static_cast<size_t>(depth), ')') + " e5 *\n";
    TGame g(s);
    RunLayout(state, g);
}
BENCHMARK(BM_LayoutNested)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One jump by text position to the last move of the synthetic game.
void BM_GoToTextPositionLastMove(benchmark::State& state) {
    TGame g(SyntheticGame(static_cast<int>(state.range(0))));
    int p = static_cast<int>(g.display->Text.rfind("Ng")) + 1;
    for (auto _ : state) benchmark::DoNotOptimize(GoToTextPosition(g.core, p));
    state.counters["moves"] = static_cast<double>(g.moves);
}
BENCHMARK(BM_GoToTextPositionLastMove)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
