// The game list's cost against the number of games: the scan itself, and
// what the user feels after it (painting the visible rows, End, Home, a page
// down) for lists of a thousand and a million games. The list keeps nothing
// per row, so everything after the scan should cost the same at both sizes.
#include "platform/offscreen_qt.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "collection/qt/game_list.h"

namespace {

std::string GameFile(int games) {
    static std::map<int, std::string> made;
    auto it = made.find(games);
    if (it != made.end()) return it->second;
    const std::string path = QDir::tempPath().toStdString() + "/quarzel-scan-bench-" + std::to_string(getpid()) + "-" +
                             std::to_string(games) + ".pgn";
    FILE* f = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < games; ++i)
        std::fprintf(f,
                     "[Event \"Bench\"]\n[Site \"Here\"]\n[Date \"2001.01.01\"]\n[White \"White %d\"]\n"
                     "[Black \"Black\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 1-0\n\n",
                     i);
    std::fclose(f);
    made[games] = path;
    return path;
}

void RemoveFiles() {
    for (int games : {1000, 1000000}) std::remove(GameFile(games).c_str());
}

void BM_ScanCore(benchmark::State& state) {
    const std::string path = GameFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TGameListCore core;
        core.ScanFile(path);
        benchmark::DoNotOptimize(core.GameCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

struct ShownList {
    TGameList list;
    explicit ShownList(int games) {
        list.resize(617, 129);
        list.ScanFile(GameFile(games));
        list.show();
        list.SetItemIndex(0);
        QApplication::processEvents();
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&list, &press);
    }
};

void BM_PaintVisibleRows(benchmark::State& state) {
    ShownList shown(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        shown.list.RefreshRows();  // every visible row's header read again
        shown.list.viewport()->repaint();
    }
}

void BM_EndHomePageDown(benchmark::State& state) {
    ShownList shown(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        shown.Key(Qt::Key_End);
        shown.list.viewport()->repaint();
        shown.Key(Qt::Key_Home);
        shown.Key(Qt::Key_PageDown);
        shown.list.viewport()->repaint();
    }
}

BENCHMARK(BM_ScanCore)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintVisibleRows)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EndHomePageDown)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    PrepareOffscreenQt();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    RemoveFiles();
    benchmark::Shutdown();
    return 0;
}
