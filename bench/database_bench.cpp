// The chess database on one million compact games: opening with a valid
// index (sampled check), fetching game n at the start, middle and end, and
// rebuilding the index. Prints figures; asserts nothing.
//
// The database is written once to $TMPDIR (or /tmp) as quarzel-bench-1m.ccf
// and reused by later runs while its size matches.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "../tests/support/ccf_writer.h"
#include "database/chess_database.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kGames = 1000000;

std::string MakeGame(std::mt19937& rng, int64_t n) {
    static const char* names[] = {"Carlsen, M", "Nakamura, H", "Caruana, F", "Ding, L", "Firouzja, A",
                                  "So, W", "Giri, A", "Aronian, L"};
    ccf::CompactGame g;
    g.Text(ccf::CompactGame::White, names[rng() % 8]).Text(ccf::CompactGame::Black, names[rng() % 8]);
    g.Text(ccf::CompactGame::Event, "Bench Open " + std::to_string(n % 100));
    g.Text(ccf::CompactGame::Site, "Somewhere");
    g.Text(ccf::CompactGame::Result, n % 3 == 0 ? "1-0" : n % 3 == 1 ? "0-1" : "1/2-1/2");
    g.Number(ccf::CompactGame::Year, 1990 + static_cast<int>(n % 35));
    g.Number(ccf::CompactGame::WhiteElo, 2500 + static_cast<int>(rng() % 300));
    int plies = 30 + static_cast<int>(rng() % 60);
    for (int p = 0; p < plies; ++p) {
        ccf::Move m;
        m.from = static_cast<int>(rng() % 64);
        m.to = static_cast<int>(rng() % 64);
        if (rng() % 20 == 0) m.flags = 4;
        g.Add(m);
    }
    return ccf::CompactRecord(g);
}

const std::string& DatabasePath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        fs::path file = fs::path(tmp && *tmp ? tmp : "/tmp") / "quarzel-bench-1m.ccf";
        std::error_code ec;
        fs::path index = file;
        index += "idx";
        auto indexSize = fs::file_size(index, ec);
        if (ec || indexSize != static_cast<uintmax_t>(8 * (kGames + 8))) {
            std::mt19937 rng(42);
            ccf::FileWriter writer(file.string());
            for (int64_t n = 0; n < kGames; ++n) writer.Add(MakeGame(rng, n));
            writer.Finish();
        }
        return file.string();
    }();
    return path;
}

// Opens like the game list does: a stride of entries / 200 samples the index.
void OpenSampled(TChessDatabase& db, const std::string& path) {
    int64_t stride = static_cast<int64_t>(fs::file_size(dbfile::ChangeFileExt(path, ".ccfidx")) / 8 / 200);
    db.OnCheckStride = [stride](int64_t& s, bool&) { s = stride; };
    db.Open(path);
}

}  // namespace

static void BM_OpenWithValidIndex(benchmark::State& state) {
    const std::string& path = DatabasePath();
    int rebuilds = 0;
    for (auto _ : state) {
        TChessDatabase db;
        db.OnRebuildNotice = [&] { ++rebuilds; };
        OpenSampled(db, path);
        if (db.FileName().empty()) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(db.EntryCount());
    }
    state.counters["games"] = static_cast<double>(kGames);
    state.counters["rebuilds"] = rebuilds;
}
BENCHMARK(BM_OpenWithValidIndex)->Unit(benchmark::kMillisecond);

static void BM_OpenWithFullCheck(benchmark::State& state) {
    const std::string& path = DatabasePath();
    for (auto _ : state) {
        TChessDatabase db;
        db.Open(path);
        if (db.FileName().empty()) state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenWithFullCheck)->Unit(benchmark::kMillisecond);

static void BM_FetchGame(benchmark::State& state) {
    const std::string& path = DatabasePath();
    TChessDatabase db;
    OpenSampled(db, path);
    const int64_t n = state.range(0) * (kGames - 1) / 100;
    std::string key, text;
    bool deleted = false;
    for (auto _ : state) {
        if (!db.FetchGame(n, key, text, deleted)) state.SkipWithError("fetch failed");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetLabel("game " + std::to_string(n));
}
BENCHMARK(BM_FetchGame)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

// The same read without the conversion to PGN: one index read, one record read.
static void BM_GetRecordRaw(benchmark::State& state) {
    const std::string& path = DatabasePath();
    TChessDatabase db;
    OpenSampled(db, path);
    const int64_t n = state.range(0) * (kGames - 1) / 100;
    std::string key, text;
    bool deleted = false;
    for (auto _ : state) {
        if (db.GetRecord(n, key, text, deleted, true, false) != 0) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetLabel("game " + std::to_string(n));
}
BENCHMARK(BM_GetRecordRaw)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

static void BM_RebuildIndex(benchmark::State& state) {
    const std::string& path = DatabasePath();
    TChessDatabase db;
    OpenSampled(db, path);
    const auto bytes = static_cast<int64_t>(fs::file_size(path));
    for (auto _ : state) {
        if (!db.RebuildIndex()) state.SkipWithError("rebuild failed");
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * kGames);
}
BENCHMARK(BM_RebuildIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
