// What browsing costs in the main window: the jump to the next marked
// position through a long game (one board update at the end, whatever the
// distance), one step forward with its board update, and the move to the
// next game (load, search, board) in a file of ordinary games. With
// QUARZEL_BENCH_ZST=FILE (a large compressed file, bench/compressed_throughput.sh
// makes one) also: a game picked at random shown right after the file opened.
#include "platform/offscreen_qt.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/main_window.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"

namespace {

std::string TempPath(const std::string& name) {
    return QDir::tempPath().toStdString() + "/quarzel-browse-bench-" + std::to_string(getpid()) + "-" + name;
}

// One game of `plies` knight moves with a single mark on its last move.
std::string LongGameFile(int plies) {
    const std::string path = TempPath("long" + std::to_string(plies) + ".pgn");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(f, "[Event \"Long\"]\n[White \"W\"]\n[Black \"B\"]\n[Result \"*\"]\n\n");
    const char* cycle[4] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    for (int i = 0; i < plies; ++i) {
        if (i % 2 == 0) std::fprintf(f, "%d. ", i / 2 + 1);
        std::fprintf(f, "%s %s", cycle[i % 4], i + 1 == plies ? "{MATCH} " : "");
        if (i % 16 == 15) std::fprintf(f, "\n");
    }
    std::fprintf(f, "*\n\n");
    std::fclose(f);
    return path;
}

// `games` ordinary games, each with one mark after its 20th ply.
std::string ManyGamesFile(int games) {
    const std::string path = TempPath("many" + std::to_string(games) + ".pgn");
    FILE* f = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < games; ++i)
        std::fprintf(f,
                     "[Event \"Bench\"]\n[White \"W%d\"]\n[Black \"B\"]\n[Result \"*\"]\n\n"
                     "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 "
                     "10. d4 {MATCH} Nbd7 11. c4 c6 12. cxb5 axb5 13. Nc3 Bb7 14. Bg5 b4 15. Nb1 h6 *\n\n",
                     i);
    std::fclose(f);
    return path;
}

// A key pressed on the game list, which carries the key map.
void PressOnList(TMainWindow& form, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(form.GameList, &press);
}

std::unique_ptr<TMainWindow> OpenWindow(const std::string& path) {
    auto form = std::make_unique<TMainWindow>(QStringList{QString::fromStdString(path)});
    form->show();
    form->Activate(form.get());
    return form;
}

void BM_NextMatchThroughLongGame(benchmark::State& state) {
    const std::string path = LongGameFile(static_cast<int>(state.range(0)));
    auto form = OpenWindow(path);
    for (auto _ : state) {
        state.PauseTiming();
        form->Notation->ToStart();
        state.ResumeTiming();
        benchmark::DoNotOptimize(form->NextMatch());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    form.reset();
    std::remove(path.c_str());
}
BENCHMARK(BM_NextMatchThroughLongGame)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_StepForwardKey(benchmark::State& state) {
    const std::string path = LongGameFile(100000);
    auto form = OpenWindow(path);
    form->Notation->ToStart();
    for (auto _ : state) {
        if (!form->Notation->Core().Current || form->Notation->Core().Current->Next) {
            PressOnList(*form, Qt::Key_D, QStringLiteral("d"));
        } else {
            state.PauseTiming();
            form->Notation->ToStart();
            state.ResumeTiming();
        }
    }
    form.reset();
    std::remove(path.c_str());
}
BENCHMARK(BM_StepForwardKey)->Unit(benchmark::kMicrosecond);

void BM_NextGameKey(benchmark::State& state) {
    const std::string path = ManyGamesFile(1000);
    auto form = OpenWindow(path);
    for (auto _ : state) {
        if (form->GameList->ItemIndex() + 1 >= form->GameList->RowCount()) {
            state.PauseTiming();
            form->GameList->SetItemIndex(0);
            state.ResumeTiming();
        }
        PressOnList(*form, Qt::Key_X, QStringLiteral("x"));
    }
    form.reset();
    std::remove(path.c_str());
}
BENCHMARK(BM_NextGameKey)->Unit(benchmark::kMicrosecond);

// One step of dragging the window edge with a 100,000-move game loaded:
// the window alternates between two sizes whose boards differ by one pixel
// per square, so every step relayouts the notation and repaints the board.
void BM_ResizeStep(benchmark::State& state) {
    const std::string path = LongGameFile(200000);
    auto form = OpenWindow(path);
    const QSize sizes[2] = {QSize(1000, 760), QSize(1008, 768)};
    int i = 0;
    for (auto _ : state) {
        form->resize(sizes[i++ % 2]);
        QCoreApplication::processEvents();  // the repaints the resize asked for
    }
    state.counters["board_px"] = form->Board->SquareSize();
    form.reset();
    std::remove(path.c_str());
}
BENCHMARK(BM_ResizeStep)->Unit(benchmark::kMillisecond);

// A game picked at random and shown as Enter on its row shows it (fetch,
// load, first mark, board), in a compressed file just opened: each fetch
// decodes from the restart point before the game. Also the slowest one and
// the time the opening took.
void BM_RandomGameOfCompressedFile(benchmark::State& state, const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    auto form = OpenWindow(path);
    const double openSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int rows = form->GameList->RowCount();
    std::uint64_t seed = 12345;
    double slowest = 0;
    for (auto _ : state) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const int row = static_cast<int>((seed >> 33) % static_cast<std::uint64_t>(rows > 0 ? rows : 1));
        const auto t0 = std::chrono::steady_clock::now();
        form->GameList->SetItemIndex(row);
        PressOnList(*form, Qt::Key_Return, QStringLiteral("\r"));
        slowest = std::max(slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["games"] = rows;
    state.counters["open_s"] = openSeconds;
    state.counters["slowest_ms"] = slowest;
    form.reset();
}

}  // namespace

int main(int argc, char** argv) {
    PrepareOffscreenQt();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (const char* zst = std::getenv("QUARZEL_BENCH_ZST"); zst && *zst)
        benchmark::RegisterBenchmark("BM_RandomGameOfCompressedFile", BM_RandomGameOfCompressedFile, std::string(zst))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(200);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
