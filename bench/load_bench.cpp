// Loading is linear in the size of the game: a 2 MB game with 20,000 glyphs
// and 20,000 comments against a game of the same size without them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "notation/notation_core.h"

namespace {

constexpr size_t kSize = 2'000'000;
constexpr int kAnnotations = 20'000;

// Knights out and back: legal for ever.
const char* const kCycle[4] = {"Nf3", "Nf6", "Ng1", "Ng8"};

std::string Header() { return "[Event \"load benchmark\"]\n[White \"A\"]\n[Black \"B\"]\n\n"; }

std::string AnnotatedGame() {
    std::string text = Header();
    int annotated = 0;
    for (long ply = 0; text.size() < kSize || annotated < kAnnotations; ++ply) {
        if (ply % 2 == 0) text += std::to_string(ply / 2 + 1) + ". ";
        text += kCycle[ply % 4];
        text += ' ';
        if (annotated < kAnnotations && ply % 3 == 0) {
            text += "$1 {a comment on this move} ";
            ++annotated;
        }
        if (ply % 12 == 11) text += '\n';
    }
    return text + "*\n";
}

std::string PlainGame(size_t size) {
    std::string text = Header();
    for (long ply = 0; text.size() + 3 < size; ++ply) {
        if (ply % 2 == 0) text += std::to_string(ply / 2 + 1) + ". ";
        text += kCycle[ply % 4];
        text += ' ';
        if (ply % 12 == 11) text += '\n';
    }
    while (text.size() + 3 < size) text += ' ';
    return text + "*\n";
}

const std::string& Annotated() {
    static const std::string text = AnnotatedGame();
    return text;
}
const std::string& Plain() {
    static const std::string text = PlainGame(Annotated().size());
    return text;
}

void BM_LoadPlain(benchmark::State& state) {
    TNotationCore core;
    for (auto _ : state) benchmark::DoNotOptimize(core.LoadGame(Plain()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Plain().size()));
}
BENCHMARK(BM_LoadPlain)->Unit(benchmark::kMillisecond);

void BM_LoadAnnotated(benchmark::State& state) {
    TNotationCore core;
    for (auto _ : state) benchmark::DoNotOptimize(core.LoadGame(Annotated()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Annotated().size()));
}
BENCHMARK(BM_LoadAnnotated)->Unit(benchmark::kMillisecond);

double SecondsPerLoad(const std::string& text) {
    TNotationCore core;
    core.LoadGame(text);  // warm up the pools
    const int reps = 10;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) core.LoadGame(text);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / reps;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TNotationCore check;
    if (check.LoadGame(Annotated()) != 0 || check.LoadGame(Plain()) != 0) {
        std::fprintf(stderr, "a benchmark game did not load\n");
        return 1;
    }
    double plain = SecondsPerLoad(Plain());
    double annotated = SecondsPerLoad(Annotated());
    std::printf("game size: %zu bytes (annotated), %zu bytes (plain)\n", Annotated().size(), Plain().size());
    std::printf("load: plain %.2f ms, with %d glyphs and comments %.2f ms, ratio %.2f (goal: at most 2)\n",
                plain * 1e3, kAnnotations, annotated * 1e3, annotated / plain);
    return 0;
}
