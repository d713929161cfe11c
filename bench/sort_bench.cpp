// What sorting the game table costs: a file of at least a million games made
// by repeating the real files of ../shared/pgn (or the example file), then
// per column the reading of the keys straight from the file (all cores and
// one), the sort itself, and the whole sort as the viewer's table runs it in
// the background. Prints figures; it is no test and cannot fail.
#include "platform/offscreen_qt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "collection/game_list_core.h"
#include "collection/game_sort.h"
#include "collection/qt/game_list.h"
#include "search/opening_names.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string BigFile(long long wantGames) {
    std::string round;
    const fs::path shared(QUARZEL_SHARED_PGN_DIR);
    std::vector<fs::path> files;
    if (fs::is_directory(shared))
        for (const auto& e : fs::directory_iterator(shared))
            if (e.path().extension() == ".pgn") files.push_back(e.path());
    if (files.empty()) files.push_back(fs::path(QUARZEL_EXAMPLES_DIR) / "matches.pgn");
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        round.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        round += "\n";
    }
    long long perRound = 0;
    for (std::size_t p = round.find("[Event "); p != std::string::npos; p = round.find("\n[Event ", p + 1)) ++perRound;
    const std::string path = QDir::tempPath().toStdString() + "/quarzel-sort-bench-" + std::to_string(getpid()) + ".pgn";
    std::ofstream out(path, std::ios::binary);
    for (long long games = 0; games < wantGames; games += perRound) out << round;
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareOffscreenQt();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const long long want = argc > 1 ? std::atoll(argv[1]) : 1000000;
    SetOpeningNamer([](std::string_view text) { return OpeningOfGame(text).Name; });
    const std::string path = BigFile(want);
    TGameListCore core;
    std::string error;
    auto t = std::chrono::steady_clock::now();
    if (!core.OpenForReading(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double n = core.GameCount();
    std::printf("file: %.0f MB, %d games, scanned in %.2f s\n", static_cast<double>(fs::file_size(path)) / 1e6,
                core.GameCount(), Seconds(t));
    std::vector<std::int32_t> games;
    for (std::int32_t r = 0; r < core.RowCount(); ++r) games.push_back(r);
    const TSortSource source = SortSourceOf(core, games);
    for (TGameColumn c :
         {TGameColumn::White, TGameColumn::Event, TGameColumn::Date, TGameColumn::WhiteElo, TGameColumn::Opening}) {
        TSortKeys all(c), one(c);
        t = std::chrono::steady_clock::now();
        ReadFileSortKeys(source, all);
        const double read = Seconds(t);
        t = std::chrono::steady_clock::now();
        ReadFileSortKeys(source, one, {}, 1);
        const double readOne = Seconds(t);
        t = std::chrono::steady_clock::now();
        const auto order = SortedPositions(games, all, false);
        const double sort = Seconds(t);
        std::printf("%-9s keys %.3f s (one core %.3f s), sort %.3f s; total %.2f s per million games\n",
                    std::string(GameColumnName(c)).c_str(), read, readOne, sort, (read + sort) * 1e6 / n);
    }
    // The viewer's table: the sort in the background until the new order shows.
    TGameList list;
    list.ScanFile(path);
    for (TGameColumn c : {TGameColumn::White, TGameColumn::Date, TGameColumn::Opening}) {
        QElapsedTimer timer;
        timer.start();
        list.SortBy(c, true);
        while (list.Sorting() && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::printf("table sort by %s (descending), click to new order: %.2f s\n",
                    std::string(GameColumnName(c)).c_str(), timer.elapsed() / 1000.0);
    }
    list.ScanFile(std::string());
    core.ScanFile(std::string());
    std::remove(path.c_str());
    return 0;
}
