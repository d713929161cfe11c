#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <ios>
#include <sys/stat.h>
#include <unistd.h>

#include "collection/game_list_core.h"
#include "collection/pgn_sniff.h"
#include "collection/row_texts.h"
#include "platform/error_text.h"
#include "scan_test_support.h"
#include "support/test_data.h"

namespace fs = std::filesystem;
using namespace scantest;


TEST(Scanner, GamesFromOffsetZeroAndLastGameEndsAtFileSize) {
    std::string bytes = Game(1) + Game(2) + Game(3);
    Scanned s(bytes);
    ASSERT_EQ(s.core.GameCount(), 3);
    EXPECT_EQ(Starts(s.core), ExpectedStarts(bytes));
    EXPECT_EQ(s.core.Entry(0).StartPos, 0);
    EXPECT_EQ(s.core.Entry(2).EndPos, static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(s.core.Entry(1).GameNo, 1);
    EXPECT_EQ(s.core.RowCount(), 3);
    EXPECT_EQ(s.core.GameIndexOfRow(2), 2);
    EXPECT_EQ(s.core.GameIndexOfRow(3), -1);
    EXPECT_FALSE(s.core.ScanIncomplete());
    EXPECT_TRUE(s.core.FileOpen());
}

TEST(Scanner, CrLfLineEnds) {
    std::string crlf = Game(1, "\r\n") + Game(2, "\r\n");
    Scanned a(crlf);
    EXPECT_EQ(a.core.GameCount(), 2);
    EXPECT_EQ(TextOf(a.core, 0).substr(0, 11), "[Event \"E1\"");
    EXPECT_EQ(TextOf(a.core, 0).back(), '0');  // trailing blank lines trimmed
}

TEST(Scanner, EmptyAndSingleGameFiles) {
    Scanned empty("");
    EXPECT_EQ(empty.core.GameCount(), 0);
    EXPECT_TRUE(empty.core.FileOpen());
    EXPECT_EQ(TextOf(empty.core, 0), "");

    Scanned blanks("\n\n\r\n");
    EXPECT_EQ(blanks.core.GameCount(), 0);
    EXPECT_EQ(blanks.core.FileName(), blanks.path.string());

    std::string one = "\n\n[Event \"x\"]\n\n1. d4 *\n\n\n";
    Scanned single(one);
    ASSERT_EQ(single.core.GameCount(), 1);
    EXPECT_EQ(single.core.Entry(0).StartPos, 2);
    EXPECT_EQ(single.core.Entry(0).EndPos, static_cast<std::int64_t>(one.size()));
    std::int32_t id = 5;
    std::string text;
    single.core.GetGame(0, id, text);
    EXPECT_EQ(text, "[Event \"x\"]\n\n1. d4 *");
    EXPECT_EQ(id, 0);
    single.core.GetGame(1, id, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(id, -1);
    id = 5;
    single.core.GetGame(-1, id, text);
    EXPECT_EQ(id, -1);
}

TEST(Scanner, NulBytesDoNotHideLaterGames) {
    std::string bytes = Game(1);
    bytes += std::string("\0\0\0 junk \0\n", 11);
    bytes += Game(2) + Game(3);
    Scanned s(bytes);
    EXPECT_EQ(s.core.GameCount(), 3);
    // A game's text ends at a NUL byte.
    EXPECT_EQ(TextOf(s.core, 0), TrimBlanks(Game(1)));
    EXPECT_EQ(TextOf(s.core, 2), TrimBlanks(Game(3)));
}

TEST(Scanner, TraceReportsPercentOnlyWhenItChangesAndAfter50Games) {
    std::string bytes;
    while (bytes.size() < 12000) bytes += "[Event \"e\"]\n\n*\n";
    while (bytes.size() < 20000) bytes += "{filler}\n";
    bytes.resize(20000);
    testdata::TempDir dir;
    testdata::WriteFile(dir / "t.pgn", bytes);
    TGameListCore c;
    std::vector<int> seen;
    c.OnPGNTrace = [&](TGameListCore&, std::int32_t p, TCancelMode&) { seen.push_back(p); };
    c.ScanFile((dir / "t.pgn").string());
    EXPECT_EQ(seen, (std::vector<int>{100, 200, 300, 0}));

    // Under 16 KB only the closing 0 of a small file.
    testdata::WriteFile(dir / "s.pgn", Game(1) + Game(2));
    seen.clear();
    c.ScanFile((dir / "s.pgn").string());
    EXPECT_EQ(seen, (std::vector<int>{0}));
}

TEST(Scanner, CancelKeepsCompletedGamesAndRescansTheSamePath) {
    std::string bytes;
    int games = 0;
    while (bytes.size() < 5 * TGameListCore::kBlockSize) bytes += Game(++games);
    testdata::TempDir dir;
    const std::string path = (dir / "c.pgn").string();
    testdata::WriteFile(path, bytes);
    TGameListCore c;
    int calls = 0;
    c.OnPGNTrace = [&](TGameListCore& sender, std::int32_t p, TCancelMode& mode) {
        EXPECT_TRUE(sender.Scanning() || p == 0);
        if (p == 0) return;
        if (++calls == 1) mode = cmCancel;
        sender.ScanFile(path);  // ignored while a scan runs
    };
    c.ScanFile(path);
    EXPECT_TRUE(c.ScanIncomplete());
    EXPECT_FALSE(c.Scanning());
    const std::int32_t partial = c.GameCount();
    EXPECT_GT(partial, 50);
    EXPECT_LT(partial, games);
    // The games listed are whole: the last one ends where the next begins.
    const GameEntry last = c.Entry(partial - 1);
    EXPECT_EQ(bytes.substr(static_cast<std::size_t>(last.EndPos), 7), "[Event ");

    c.OnPGNTrace = nullptr;
    c.ScanFile(path);
    EXPECT_FALSE(c.ScanIncomplete());
    EXPECT_EQ(c.GameCount(), games);

    // Closing after a cancelled scan, twice: the second close is no scan of "".
    c.OnPGNTrace = [&](TGameListCore&, std::int32_t p, TCancelMode& mode) {
        if (p != 0) mode = cmCancel;
    };
    c.ScanFile("");
    c.ScanFile(path);
    ASSERT_TRUE(c.ScanIncomplete());
    c.ScanFile("");
    EXPECT_NO_THROW(c.ScanFile(""));
    EXPECT_FALSE(c.FileOpen());
    EXPECT_EQ(c.GameCount(), 0);
}

TEST(Scanner, CompletedFileIsNotScannedTwiceUntilAnotherPath) {
    testdata::TempDir dir;
    const std::string a = (dir / "a.pgn").string(), b = (dir / "b.PGN").string();
    testdata::WriteFile(a, Game(1));
    testdata::WriteFile(b, Game(1) + Game(2));
    TGameListCore c;
    c.ScanFile(a);
    testdata::WriteFile(a, Game(1) + Game(2) + Game(3));
    c.ScanFile(a);
    EXPECT_EQ(c.GameCount(), 1);
    c.ScanFile(b);
    EXPECT_EQ(c.GameCount(), 2);
    c.ScanFile(a);
    EXPECT_EQ(c.GameCount(), 3);
    c.ScanFile("");
    EXPECT_EQ(c.GameCount(), 0);
    EXPECT_EQ(c.RowCount(), 0);
    EXPECT_FALSE(c.FileOpen());
    EXPECT_EQ(c.FileName(), "");
}

TEST(Scanner, RejectedFilesLeaveTheOpenFileAlone) {
    testdata::TempDir dir;
    const std::string good = (dir / "good.pgn").string();
    testdata::WriteFile(good, Game(1) + Game(2));
    std::string noEvent;
    for (int i = 0; i < 1000; ++i) noEvent += "line " + std::to_string(i) + "\n";
    testdata::WriteFile(dir / "late.pgn", noEvent + Game(1));
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 256 == '[' ? 0 : (i * 7919) % 256);
    testdata::WriteFile(dir / "binary.pgn", binary);
    testdata::WriteFile(dir / "longline.pgn", std::string(20 * 1024 * 1024, 'x'));
    fs::create_directory(dir / "folder.pgn");
    testdata::WriteFile(dir / "other.txt", Game(1));

    TGameListCore c;
    c.ScanFile(good);
    for (const char* name : {"late.pgn", "binary.pgn", "longline.pgn", "other.txt"}) {
        c.ScanFile((dir / name).string());
        EXPECT_EQ(c.FileName(), good) << name;
        EXPECT_EQ(c.GameCount(), 2) << name;
        EXPECT_EQ(TextOf(c, 1), TrimBlanks(Game(2))) << name;
    }
    // A folder is no file: creating one there fails with a message.
    EXPECT_THROW(c.ScanFile((dir / "folder.pgn").string()), TFileError);
    EXPECT_FALSE(LooksLikePGN((dir / "folder.pgn").string()));
    EXPECT_TRUE(LooksLikePGN((dir / "good.pgn").string()));
}

TEST(Scanner, MissingFileCreationIsAskedFirst) {
    testdata::TempDir dir;
    const std::string path = (dir / "new.pgn").string();
    TGameListCore c;
    std::string asked;
    c.BeforeCreatePGNFile = [&](TGameListCore&, const std::string& name, bool& create) {
        asked = name;
        create = false;
    };
    c.ScanFile(path);
    EXPECT_EQ(asked, path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(c.FileOpen());

    c.BeforeCreatePGNFile = nullptr;
    c.ScanFile(path);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(c.GameCount(), 0);

    // The simple entry point never creates anything.
    TGameListCore d;
    std::string error;
    EXPECT_FALSE(d.OpenForReading((dir / "absent.pgn").string(), error));
    EXPECT_FALSE(fs::exists(dir / "absent.pgn"));
    EXPECT_NE(error.find("absent.pgn"), std::string::npos);
    EXPECT_FALSE(d.OpenForReading(dir.path().string(), error));
    EXPECT_NE(error.find("directory"), std::string::npos);
    EXPECT_TRUE(d.OpenForReading(path, error)) << error;
}

TEST(Scanner, UnreadableFileGivesAReasonNotACrash) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root: permissions are not enforced";
    testdata::TempDir dir;
    const std::string path = (dir / "locked.pgn").string();
    testdata::WriteFile(path, Game(1));
    fs::permissions(path, fs::perms::none);
    TGameListCore c;
    c.ScanFile(path);  // the sniff fails: nothing happens
    EXPECT_FALSE(c.FileOpen());
    std::string error;
    EXPECT_FALSE(c.OpenForReading(path, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
    fs::permissions(path, fs::perms::owner_all);
}

TEST(Scanner, FileThatShrinksOrVanishesAfterTheScan) {
    testdata::TempDir dir;
    const std::string path = (dir / "v.pgn").string();
    testdata::WriteFile(path, Game(1) + Game(2) + Game(3));
    TGameListCore c;
    c.ScanFile(path);
    ASSERT_EQ(c.GameCount(), 3);
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(Game(1).size() + 5)), 0);
    std::int32_t id = 0;
    std::string text;
    c.GetGame(2, id, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(id, -1);
    c.LoadHeader(2);
    EXPECT_EQ(c.CurrentHeader.White, "Error");
    c.GetGame(0, id, text);
    EXPECT_EQ(id, 0);
    fs::remove(path);
    c.GetGame(0, id, text);  // still open: the text stays readable
    EXPECT_EQ(text, TrimBlanks(Game(1)));
}

TEST(Scanner, RowOfALongGameOverwrittenWithNulsAfterTheScan) {
    testdata::TempDir dir;
    const std::string path = (dir / "n.pgn").string();
    const std::string longGame = "[Event \"L\"]\n[White \"WL\"]\n\n" + std::string(200000, 'x') + "\n\n";
    testdata::WriteFile(path, Game(1) + longGame);
    TGameListCore c;
    c.ScanFile(path);
    ASSERT_EQ(c.GameCount(), 2);
    c.LoadRowHeader(1);
    EXPECT_EQ(c.CurrentHeader.White, "WL");
    // The game now begins with a NUL byte: its text is empty, the row an error.
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "\0", 1, static_cast<off_t>(Game(1).size())), 1);
    ::close(fd);
    c.LoadHeader(1);
    EXPECT_EQ(c.CurrentHeader.White, "Error");
    c.LoadRowHeader(1);
    EXPECT_EQ(c.CurrentHeader.White, "Error");
    EXPECT_EQ(c.CurrentHeader.Black, "...");
}

TEST(Scanner, RowOfAGameWhoseHeaderIsLongerThanTheFirstRead) {
    testdata::TempDir dir;
    const std::string path = (dir / "h.pgn").string();
    // The players stand past the second read (256 KB) too; CR LF line ends.
    const std::string tags = "[Event \"" + std::string(200000, 'e') + "\"]\r\n[Annotator \"" +
                             std::string(200000, 'a') + "\"]\r\n[White \"WL\"]\r\n[Result \"1-0\"]\r\n";
    testdata::WriteFile(path, tags + "\r\n1. e4 1-0\r\n" + Game(2));
    TGameListCore c;
    c.ScanFile(path);
    ASSERT_EQ(c.GameCount(), 2);
    c.LoadRowHeader(0);
    EXPECT_EQ(c.CurrentHeader.White, "WL");
    EXPECT_EQ(c.CurrentHeader.Result, "1-0");
    EXPECT_EQ(c.CurrentHeader.Event.size(), 200000u);
}

TEST(Scanner, FilesOver2GBUseWideOffsets) {
    testdata::TempDir dir;
    const std::string path = (dir / "big.pgn").string();
    const std::int64_t far = (std::int64_t{1} << 31) + 12345;
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::string g1 = Game(1), g2 = "\n" + Game(2);
        ASSERT_EQ(::pwrite(fd, g1.data(), g1.size(), 0), static_cast<ssize_t>(g1.size()));
        ASSERT_EQ(::pwrite(fd, g2.data(), g2.size(), far - 1), static_cast<ssize_t>(g2.size()));
        ::close(fd);
    }
    TGameListCore c;
    c.ScanFile(path);
    ASSERT_EQ(c.GameCount(), 2);
    EXPECT_EQ(c.Entry(1).StartPos, far);
    EXPECT_EQ(c.Entry(1).EndPos, static_cast<std::int64_t>(fs::file_size(path)));
    EXPECT_EQ(TextOf(c, 1), TrimBlanks(Game(2)));
    c.LoadRowHeader(1);
    EXPECT_EQ(c.CurrentHeader.White, "W2");
}

TEST(Scanner, FilterIsNotAskedDuringAScanButForAddedRows) {
    Scanned s(Game(1) + Game(2) + Game(3));
    int asked = 0;
    s.core.OnFilterRequest = [&](TGameListCore&, const TGameHeader& h, bool& show) {
        ++asked;
        show = h.White != "W2";
    };
    s.core.ScanFile("");
    s.core.ScanFile(s.path.string());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(s.core.RowCount(), 3);
    ASSERT_TRUE(s.core.OnFilterRequest);

    s.core.ClearRows();
    for (int i = 0; i < 3; ++i) s.core.AddRow(s.core.RowCount(), i);
    EXPECT_EQ(asked, 3);
    ASSERT_EQ(s.core.RowCount(), 2);
    EXPECT_EQ(s.core.GameIndexOfRow(0), 0);
    EXPECT_EQ(s.core.GameIndexOfRow(1), 2);

    // A row inserted in the middle shifts the games of the rows after it.
    s.core.OnFilterRequest = nullptr;
    s.core.AddRow(1, 1);
    EXPECT_EQ(s.core.GameIndexOfRow(0), 0);
    EXPECT_EQ(s.core.GameIndexOfRow(1), 1);
    EXPECT_EQ(s.core.GameIndexOfRow(2), 3);
}

TEST(Scanner, HourglassComesInPairs) {
    testdata::TempDir dir;
    testdata::WriteFile(dir / "h.pgn", Game(1) + Game(2));
    TGameListCore c;
    int depth = 0, maxDepth = 0, calls = 0;
    c.OnBusyCursor = [&](bool on) {
        depth += on ? 1 : -1;
        maxDepth = std::max(maxDepth, depth);
        ++calls;
    };
    c.ScanFile((dir / "h.pgn").string());
    std::int32_t id;
    std::string text;
    c.GetGame(0, id, text);
    EXPECT_EQ(depth, 0);
    EXPECT_GT(calls, 0);
    EXPECT_GE(maxDepth, 1);
}

TEST(Scanner, ClosingProgressReportComesAfterTheCursorIsBack) {
    testdata::TempDir dir;
    testdata::WriteFile(dir / "o.pgn", Game(1) + Game(2));
    TGameListCore c;
    std::vector<std::string> events;
    c.OnBusyCursor = [&](bool on) { events.push_back(on ? "busy" : "normal"); };
    c.OnPGNTrace = [&](TGameListCore& sender, std::int32_t p, TCancelMode&) {
        EXPECT_FALSE(sender.Scanning());
        events.push_back("trace " + std::to_string(p));
    };
    c.ScanFile((dir / "o.pgn").string());
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), "busy");
    EXPECT_EQ(events[events.size() - 2], "normal");
    EXPECT_EQ(events.back(), "trace 0");
}

TEST(Scanner, HeadersOfGames) {
    Scanned s("[Event \"Open\"]\n[Site \"?\"]\n[White \"?\"]\n[Date \"1990.??.??\"]\n[Result \"1/2-1/2\"]\n[ECO \"A00\"]\n\n1. e4 {a}\n2. d4\n");
    s.core.LoadHeader(0);
    EXPECT_EQ(s.core.CurrentHeader.Movetext, "1. e4 {a}\r\n2. d4\r\n");
    s.core.LoadRowHeader(0);
    EXPECT_EQ(s.core.CurrentHeader.Movetext, "");
    const TRowTexts r = ComposeRowTexts(s.core.CurrentHeader, 0);
    EXPECT_EQ(r.Number, "     1");
    EXPECT_EQ(r.Player, " - N.N.");
    EXPECT_EQ(r.Source, "Open");
    EXPECT_EQ(r.Year, "1990");
    EXPECT_EQ(r.Result, "1/2");
    EXPECT_EQ(r.ECO, "A00");
    s.core.LoadHeader(5);
    EXPECT_EQ(s.core.CurrentHeader.White, "Error");
    EXPECT_EQ(s.core.CurrentHeader.Black, "...");
}

TEST(RowTexts, ColumnsAsTheListDrawsThem) {
    TGameHeader h;
    h.Event = "?";
    h.Site = "Linares";
    EXPECT_EQ(ComposeRowTexts(h, 41).Source, "Linares");
    EXPECT_EQ(ComposeRowTexts(h, 41).Number, "    42");
    EXPECT_EQ(ComposeRowTexts(h, 999999).Number, "1000000");
    h.Event = "Open";
    EXPECT_EQ(ComposeRowTexts(h, 0).Source, "Open, Linares");
    h.Site = "?";
    EXPECT_EQ(ComposeRowTexts(h, 0).Source, "Open");
    h.Event.clear();
    h.Site.clear();
    EXPECT_EQ(ComposeRowTexts(h, 0).Source, "");
    EXPECT_EQ(ComposeRowTexts(h, 0).Year, "");
    EXPECT_EQ(ComposeRowTexts(h, 0).Player, "N.N. - N.N.");
    h.Result = "1-0";
    EXPECT_EQ(ComposeRowTexts(h, 0).Result, "1-0");
    h.Result = "*";
    EXPECT_EQ(ComposeRowTexts(h, 0).Result, "*");
    h.Result = "1/2";
    EXPECT_EQ(ComposeRowTexts(h, 0).Result, "1/2");
}

TEST(RowTexts, DisplayUtf8) {
    EXPECT_EQ(DisplayUtf8("M\xC3\xBCller"), "M\xC3\xBCller");
    EXPECT_EQ(DisplayUtf8("M\xFCller"), "M\xC3\xBCller");
    EXPECT_EQ(DisplayUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");  // a surrogate is not UTF-8
    EXPECT_EQ(DisplayUtf8("\xE2\x82"), "\xC3\xA2\xC2\x82");
    // A leading byte order mark shows as nothing, elsewhere it stays.
    EXPECT_EQ(DisplayUtf8("\xEF\xBB\xBF" "Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(DisplayUtf8("a\xEF\xBB\xBF"), "a\xEF\xBB\xBF");
    EXPECT_EQ(DisplayUtf8("\xEF\xBB\xBF\xFF"), "\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xBF");
}

TEST(Scanner, HundredMegabyteSingleLine) {
    testdata::TempDir dir;
    const std::string path = (dir / "line.pgn").string();
    std::string bytes = "[Event \"long\"] ";
    bytes.resize(100u * 1024 * 1024, 'x');
    testdata::WriteFile(path, bytes);
    TGameListCore c;
    c.ScanFile(path);
    ASSERT_EQ(c.GameCount(), 1);
    c.LoadRowHeader(0);  // reads only the start of the game
    EXPECT_EQ(c.CurrentHeader.Event, "long");
    std::int32_t id = -1;
    std::string text;
    c.GetGame(0, id, text);
    EXPECT_EQ(text.size(), bytes.size());
    EXPECT_EQ(id, 0);

    // Without any game start the sniff refuses it after one long line.
    testdata::WriteFile(path, std::string(100u * 1024 * 1024, 'y'));
    EXPECT_FALSE(LooksLikePGN(path));
}

TEST(Messages, NoLibraryTextReachesThePerson) {
    std::vector<int> tooMany;
    std::string vectorText;
    try {
        tooMany.resize(tooMany.max_size() + 1);
    } catch (const std::length_error& e) {
        EXPECT_EQ(UserErrorText(e), "Game too large.");
        vectorText = e.what();
    }
    EXPECT_FALSE(vectorText.empty());
    EXPECT_EQ(UserErrorText(std::bad_alloc()), "Not enough memory to show this game.");
    EXPECT_EQ(UserErrorText(std::out_of_range("vector::_M_range_check")), "Unexpected error.");
    EXPECT_EQ(UserErrorText(std::ios_base::failure("basic_ios::clear")), "Unexpected error.");
    // The program's own file errors are already plain sentences.
    EXPECT_EQ(UserErrorText(TFileError("Cannot read /x.pgn: Input/output error")),
              "Cannot read /x.pgn: Input/output error");
}
