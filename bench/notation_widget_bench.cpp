// The notation control with real Qt fonts: loading and laying out games of
// growing size, a full repaint of the window, and a step with its highlight
// redraw. Time per step and per repaint should not grow with the game.
#include "platform/offscreen_qt.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <unistd.h>

#include <string>

#include "notation/qt/notation.h"

namespace {

// Knights out and back, an alternative every tenth move and a comment every
// seventh: `moves` full moves.
std::string SyntheticGame(int moves) {
    std::string s = "[Event \"synthetic\"]\n\n";
    s.reserve(static_cast<size_t>(moves) * 40);
    for (int i = 1; i <= moves; ++i) {
        const bool out = i % 2 == 1;
        s += std::to_string(i) + ". " + (out ? "Nf3" : "Ng1") + " ";
        if (i % 10 == 0) s += "(" + std::to_string(i) + ". Nc3 " + (out ? "Nf6" : "Ng8") + ") ";
        s += std::to_string(i) + "... " + (out ? "Nf6" : "Ng8") + " ";
        if (i % 7 == 0) s += "{a comment on move " + std::to_string(i) + "} ";
    }
    return s + "*\n";
}

void Flush() { QCoreApplication::processEvents(); }

void BM_LoadAndLayout(benchmark::State& state) {
    const std::string text = SyntheticGame(static_cast<int>(state.range(0)));
    TNotation w;
    w.resize(300, 400);
    for (auto _ : state) benchmark::DoNotOptimize(w.LoadGame(text));
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
    state.counters["rows"] = w.Display().RowCount();
}

void BM_FullRepaint(benchmark::State& state) {
    TNotation w;
    w.resize(300, 400);
    w.LoadGame(SyntheticGame(static_cast<int>(state.range(0))));
    w.ToEnd();
    QImage img(w.Paintbox()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&img);
        w.PaintNotation(p);
    }
}

void BM_StepWithHighlight(benchmark::State& state) {
    TNotation w;
    w.resize(300, 400);
    w.show();
    w.LoadGame(SyntheticGame(static_cast<int>(state.range(0))));
    Flush();
    for (auto _ : state) {
        if (!w.StepForward()) {
            state.PauseTiming();
            w.ToStart();
            Flush();
            state.ResumeTiming();
        }
        Flush();  // the paint of the two highlight rectangles (or a scroll)
    }
}

BENCHMARK(BM_LoadAndLayout)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepWithHighlight)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    PrepareOffscreenQt();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
