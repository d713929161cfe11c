// The driver against a scripted engine (tests/engine/fake_engine.py): the
// talk of a good engine, lines of a position left behind, and the faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sys/wait.h>

#include "engine/uci_engine.h"

namespace {

const std::string kFake = std::string(QUARZEL_TEST_DATA_DIR) + "/../engine/fake_engine.py";
const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char kAfterE4E5[] = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2";
constexpr TEngineTimeouts kShort{1000, 1000, 1000};

TEnginePosition Position(const char* fen) {
    TEnginePosition p;
    EXPECT_TRUE(EnginePositionOfFen(fen, p));
    return p;
}

// Pumps until `done` or the engine fails; at most five seconds.
template <class Done>
bool PumpUntil(TUciEngine& engine, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < end)
        if (!engine.Pump(20)) return false;
    return done();
}

bool NoChildLeft() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

TEST(UciEngine, TalksToAGoodEngine) {
    setenv("FAKE_ENGINE_MODE", "good", 1);
    TUciEngine engine(kFake, kShort);
    engine.SetOptions({2, 32, 3});
    ASSERT_TRUE(engine.Start());
    const std::uint64_t first = engine.Analyse(Position(kStart));
    ASSERT_TRUE(PumpUntil(engine, [&] { return engine.View().CompleteDepth == 2; })) << engine.Error();
    EXPECT_EQ(engine.Name(), "Fake Engine 1.0");
    EXPECT_EQ(engine.View().Id, first);
    // Bounded lines are passed over; a mate score from White's view.
    ASSERT_EQ(engine.View().Lines.size(), 3u);
    EXPECT_EQ(engine.View().Lines[0].San, std::vector<std::string>{"Nf3"});
    EXPECT_EQ(ScoreText(engine.View().Lines[0].Score), "#3");
    EXPECT_EQ(engine.View().Nps, 6000u);

    // Many new positions in a row: no line of another position ever shows.
    const char* fens[] = {kAfterE4E5, kStart, kAfterE4E5, kStart};
    for (const char* fen : fens) {
        // One position left before the engine had stopped for it.
        engine.Analyse(Position(fen == kStart ? kAfterE4E5 : kStart));
        engine.Pump(0);
        const std::uint64_t id = engine.Analyse(Position(fen));
        ASSERT_TRUE(PumpUntil(engine, [&] { return engine.View().CompleteDepth == 2; })) << engine.Error();
        EXPECT_EQ(engine.View().Id, id);
        EXPECT_EQ(engine.View().Fen, fen);
        for (const TEngineLine& line : engine.View().Lines) EXPECT_NE(line.Score.Value, 999);
    }
    const std::vector<std::string>& sent = engine.Sent();
    auto count = [&](const std::string& s) { return std::count(sent.begin(), sent.end(), s); };
    EXPECT_EQ(count("uci"), 1);
    EXPECT_GE(count("isready"), 5);
    EXPECT_EQ(count("stop"), count("go infinite") - 1);
    EXPECT_EQ(count("setoption name Threads value 2"), 1);
    // Options once, Hash last.
    const auto hash = std::find(sent.begin(), sent.end(), "setoption name Hash value 32");
    ASSERT_NE(hash, sent.end());
    EXPECT_EQ(*(hash + 1), "isready");
    EXPECT_EQ(*(hash - 1), "setoption name UCI_Chess960 value false");
    // Each new position: stop, then (after bestmove) isready, position, go.
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[sent.size() - 2], std::string("position fen ") + kStart);
    EXPECT_EQ(sent.back(), "go infinite");
    const auto lastStop = std::find(sent.rbegin(), sent.rend(), "stop").base() - 1;
    EXPECT_TRUE(std::all_of(lastStop + 1, sent.end() - 2, [](const std::string& s) { return s == "isready"; }));
    EXPECT_EQ(*(sent.end() - 3), "isready");
    engine.Close();
    EXPECT_TRUE(NoChildLeft());
}

TEST(UciEngine, AnEngineDeafToQuitIsKilledAfterASecond) {
    setenv("FAKE_ENGINE_MODE", "hang", 1);
    TUciEngine engine(kFake, kShort);
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(PumpUntil(engine, [&] { return !engine.Name().empty(); }));
    const auto begin = std::chrono::steady_clock::now();
    engine.Close();
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_TRUE(NoChildLeft());
}

TEST(UciEngine, FaultsAreOneClearLine) {
    const struct {
        const char* mode;
        const char* path;  // nullptr: the fake engine
        const char* error;
    } cases[] = {
        {"good", "/no/such/engine", "engine not found: /no/such/engine"},
        {"good", "/etc/passwd", "not a program that can be run: /etc/passwd"},
        {"good", "/bin/true", "is not a UCI engine (it ended without answering \"uci\")"},
        {"garbage", nullptr, "is not a UCI engine (no answer to \"uci\")"},
        {"silent", nullptr, "is not a UCI engine (no answer to \"uci\")"},
        {"crash", nullptr, "the engine ended unexpectedly"},
        {"hang", nullptr, "the engine does not answer (no \"readyok\")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode + std::string(" ") + (c.path ? c.path : ""));
        setenv("FAKE_ENGINE_MODE", c.mode, 1);
        TUciEngine engine(c.path ? c.path : kFake, kShort);
        const auto begin = std::chrono::steady_clock::now();
        if (engine.Start()) {
            engine.Analyse(Position(kStart));
            PumpUntil(engine, [] { return false; });
        }
        EXPECT_TRUE(engine.Failed());
        EXPECT_NE(engine.Error().find(c.error), std::string::npos) << engine.Error();
        EXPECT_EQ(engine.Error().find('\n'), std::string::npos);
        // The timeout, no more: a failed engine is killed at once.
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(2500));
        EXPECT_TRUE(NoChildLeft());
    }
}

TEST(UciEngine, AnEngineThatDoesNotStop) {
    setenv("FAKE_ENGINE_MODE", "nostop", 1);
    TUciEngine engine(kFake, kShort);
    ASSERT_TRUE(engine.Start());
    engine.Analyse(Position(kStart));
    ASSERT_TRUE(PumpUntil(engine, [&] { return engine.View().CompleteDepth == 2; }));
    engine.Analyse(Position(kAfterE4E5));
    EXPECT_FALSE(PumpUntil(engine, [] { return false; }));
    EXPECT_EQ(engine.Error(), "the engine does not stop searching (no \"bestmove\")");
    EXPECT_TRUE(engine.View().Lines.empty());
    EXPECT_TRUE(NoChildLeft());
}

TEST(UciEngine, NoLegalMoveIsNotSent) {
    setenv("FAKE_ENGINE_MODE", "good", 1);
    TUciEngine engine(kFake, kShort);
    ASSERT_TRUE(engine.Start());
    engine.Analyse(Position("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_TRUE(engine.View().Finished);
    EXPECT_EQ(engine.View().LineCount, 0);
    for (int i = 0; i < 10; ++i) engine.Pump(20);
    EXPECT_EQ(engine.Sent(), std::vector<std::string>{"uci"});
}

}  // namespace
