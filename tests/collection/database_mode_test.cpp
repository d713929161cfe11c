// The game list core in database mode: a ".ccf" file is listed with one row
// per index entry and browsed like a PGN file.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collection/game_list_core.h"
#include "database/database_mode.h"
#include "support/ccf_writer.h"
#include "support/test_data.h"

namespace fs = std::filesystem;
using ccf::CompactGame;
using testdata::ReadFile;
using testdata::TempDir;
using testdata::WriteFile;

namespace {

ccf::Database SampleDatabase(int games = 3) {
    ccf::Database d;
    for (int i = 0; i < games; ++i) {
        if (i % 3 == 1) {
            d.AddDeleted();
            continue;
        }
        CompactGame g;
        g.Text(CompactGame::White, "White " + std::to_string(i)).Text(CompactGame::Black, "Black")
            .Text(CompactGame::Event, "Ev").Text(CompactGame::Result, "1-0").Number(CompactGame::Year, 2000);
        g.Add("e2", "e4").Add("e7", "e5");
        d.Add(ccf::CompactRecord(g));
    }
    return d;
}

struct List {
    TGameListCore core;
    std::vector<std::string> messages;
    std::vector<int> traces;
    std::vector<bool> inTraceSeen;
    TCancelMode answer = cmNoCancel;
    List() {
        core.DatabaseModeState().OnErrorMessage = [this](const std::string& t) { messages.push_back(t); };
        core.OnPGNTrace = [this](TGameListCore& c, std::int32_t percent, TCancelMode& mode) {
            traces.push_back(percent);
            inTraceSeen.push_back(c.DatabaseModeState().InTrace);
            mode = answer;
        };
    }
};

}  // namespace

TEST(DatabaseList, RowsGamesAndTexts) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(5).Write(path.string());
    List list;
    list.core.ScanFile(path.string());
    ASSERT_TRUE(list.core.DatabaseMode());
    EXPECT_TRUE(list.core.FileOpen());
    EXPECT_EQ(list.core.FileName(), path.string());
    EXPECT_EQ(list.core.RowCount(), 5) << "deleted games keep their rows";
    EXPECT_EQ(list.core.GameCount(), 3);
    EXPECT_EQ(list.core.GameIndexOfRow(3), 3);

    std::int32_t id = 99;
    std::string text;
    list.core.GetGame(3, id, text);
    EXPECT_EQ(id, 3);
    EXPECT_NE(text.find("[White \"White 3\"]"), std::string::npos);
    EXPECT_NE(text.find(" 1. e2-e4 e7-e5 "), std::string::npos);

    list.core.LoadRowHeader(3);
    EXPECT_EQ(list.core.CurrentHeader.White, "White 3");
    EXPECT_EQ(list.core.CurrentHeader.Year, 2000);
    EXPECT_FALSE(list.core.CurrentHeader.Deleted);
    list.core.LoadRowHeader(1);
    EXPECT_TRUE(list.core.CurrentHeader.Deleted) << "drawn struck out";
    list.core.LoadHeader(3);
    EXPECT_EQ(list.core.CurrentHeader.White, "White 3");
    EXPECT_NE(list.core.CurrentHeader.Movetext.find("e2-e4"), std::string::npos);

    list.core.GetGame(5, id, text);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(text, "");
    list.core.LoadRowHeader(7);
    EXPECT_EQ(list.core.CurrentHeader.White, "Error");
    EXPECT_EQ(list.core.CurrentHeader.Black, "...");
    EXPECT_TRUE(list.messages.empty());
}

TEST(DatabaseList, MissingIndexIsBuiltWithoutAMessage) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(300).Write(path.string(), /*withoutIndex=*/true);
    List list;
    list.core.ScanFile(path.string());
    ASSERT_TRUE(list.core.DatabaseMode());
    EXPECT_EQ(list.core.RowCount(), 300);
    EXPECT_TRUE(list.messages.empty());
    ASSERT_FALSE(list.traces.empty());
    EXPECT_EQ(list.traces.back(), 0);
    for (size_t i = 0; i + 1 < list.traces.size(); ++i) EXPECT_TRUE(list.inTraceSeen[i]) << i;
    EXPECT_FALSE(list.core.DatabaseModeState().InTrace);
    EXPECT_FALSE(list.core.DatabaseModeState().IndexWasMissing);
    EXPECT_EQ(list.core.DatabaseModeState().CheckStride, 0);
}

TEST(DatabaseList, BadIndexIsRebuiltWithTheNotice) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(10).Write(path.string());
    std::string index = ReadFile(dir / "games.ccfidx");
    index[16] = 1;  // wrong live count
    WriteFile(dir / "games.ccfidx", index);
    List list;
    list.core.ScanFile(path.string());
    ASSERT_TRUE(list.core.DatabaseMode());
    ASSERT_EQ(list.messages.size(), 1u);
    EXPECT_EQ(list.messages[0], "Error in database. Index file will be recreated - it could take a longer while.");
    EXPECT_EQ(list.core.GameCount(), 7);
}

TEST(DatabaseList, CancelledRebuildKeepsWhatTheListHad) {
    TempDir dir;
    fs::path pgn = dir / "a.pgn";
    WriteFile(pgn, "[Event \"a\"]\n\n1. e4 *\n");
    fs::path path = dir / "games.ccf";
    SampleDatabase(400).Write(path.string(), /*withoutIndex=*/true);
    List list;
    list.core.ScanFile(pgn.string());
    ASSERT_EQ(list.core.RowCount(), 1);
    list.answer = cmCancel;
    list.core.ScanFile(path.string());
    EXPECT_FALSE(list.core.DatabaseMode());
    EXPECT_EQ(list.core.FileName(), pgn.string());
    EXPECT_EQ(list.core.RowCount(), 1);
    ASSERT_EQ(list.messages.size(), 1u);
    EXPECT_EQ(list.messages[0], "Serious error while reading file " + path.string());
    EXPECT_FALSE(fs::exists(dir / "games.ccftmp"));
}

TEST(DatabaseList, SampledCheckUsesTheStride) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(4000).Write(path.string());
    List list;
    int asked = 0;
    TDatabaseMode& mode = list.core.DatabaseModeState();
    // Count the stride questions by watching the check through a second
    // database opened the same way the list does.
    mode.SampleCount = 200;
    list.core.ScanFile(path.string());
    ASSERT_TRUE(list.core.DatabaseMode());
    list.core.ScanFile("");
    TChessDatabase db;
    const int64_t stride = static_cast<int64_t>(fs::file_size(dir / "games.ccfidx") / 8 / 200);
    db.OnCheckStride = [&](int64_t& s, bool&) {
        ++asked;
        s = stride;
    };
    db.Open(path.string());
    EXPECT_EQ(stride, 20);
    EXPECT_LE(asked, 202);
}

TEST(DatabaseList, ForeignAndLockedDatabasesAreRefused) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(3).Write(path.string());
    List first;
    first.core.ScanFile(path.string());
    ASSERT_TRUE(first.core.DatabaseMode());

    List second;
    std::string error;
    EXPECT_FALSE(second.core.OpenForReading(path.string(), error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    EXPECT_FALSE(second.core.FileOpen());

    first.core.ScanFile("");
    EXPECT_FALSE(fs::exists(dir / "games.ccftmp")) << "closing the list releases the database";
    EXPECT_TRUE(second.core.OpenForReading(path.string(), error)) << error;
    EXPECT_EQ(second.core.RowCount(), 3);

    fs::path foreign = dir / "other.ccf";
    SampleDatabase(3).Write(foreign.string());
    WriteFile(dir / "other.ccfidx", std::string(64, 'x'));
    List third;
    EXPECT_FALSE(third.core.OpenForReading(foreign.string(), error));
    EXPECT_EQ(third.core.DatabaseModeState().LastError(), 10);
    EXPECT_EQ(ReadFile(dir / "other.ccfidx"), std::string(64, 'x'));
}

TEST(DatabaseList, SwitchingToAPgnFileClosesTheDatabase) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(3).Write(path.string());
    fs::path pgn = dir / "a.pgn";
    WriteFile(pgn, "[Event \"a\"]\n\n1. e4 *\n\n[Event \"b\"]\n\n1. d4 *\n");
    List list;
    list.core.ScanFile(path.string());
    ASSERT_TRUE(list.core.DatabaseMode());
    EXPECT_TRUE(fs::exists(dir / "games.ccftmp"));
    list.core.ScanFile(pgn.string());
    EXPECT_FALSE(list.core.DatabaseMode());
    EXPECT_EQ(list.core.RowCount(), 2);
    EXPECT_FALSE(fs::exists(dir / "games.ccftmp"));
}

TEST(DatabaseList, DataFileGoneWhileBrowsingTellsOnce) {
    TempDir dir;
    fs::path path = dir / "games.ccf";
    SampleDatabase(6).Write(path.string());
    List list;
    list.core.ScanFile(path.string());
    ASSERT_TRUE(list.core.DatabaseMode());
    fs::remove(path);
    for (int row = 0; row < 6; ++row) list.core.LoadRowHeader(row);
    ASSERT_EQ(list.messages.size(), 1u);
    EXPECT_EQ(list.messages[0], "Serious error while reading file " + path.string());
    EXPECT_EQ(list.core.CurrentHeader.White, "Error");
}

TEST(DatabaseList, CommittedSampleIsListed) {
    TempDir dir;
    fs::copy_file(testdata::FixtureDir() / "ccf_sample.ccf", dir / "sample.ccf");
    List list;
    std::string error;
    ASSERT_TRUE(list.core.OpenForReading((dir / "sample.ccf").string(), error)) << error;
    EXPECT_EQ(list.core.RowCount(), 4);
    EXPECT_EQ(list.core.GameCount(), 3);
    std::int32_t id = -1;
    std::string text;
    list.core.GetGame(0, id, text);
    EXPECT_NE(text.find("[White \"Anderssen, A\"]"), std::string::npos);
    EXPECT_NE(text.find("Bc4 {MATCH}"), std::string::npos) << text;
    list.core.GetGame(3, id, text);
    EXPECT_NE(text.find(" 7... Kd7 e2-e4 "), std::string::npos) << text;
}
