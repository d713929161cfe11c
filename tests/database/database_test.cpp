// The record database: escaping, index check and rebuild, lock file, bad
// files of every kind. Databases are built with the test writer.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "database/chess_database.h"
#include "database/custom_database.h"
#include "support/ccf_writer.h"
#include "support/test_data.h"

namespace fs = std::filesystem;
using testdata::ReadFile;
using testdata::TempDir;
using testdata::WriteFile;

namespace {

const std::array<int64_t, 4> kValues = {TChessDatabase::ChessIdentification, 0, 0, 0};

// A database opened like the chess database does, with counters of what the
// callbacks saw.
struct Opened {
    TCustomDatabase db;
    int rebuildNotices = 0;
    int readErrors = 0;
    int beeps = 0;
    int strideQuestions = 0;

    explicit Opened(int64_t stride = 0) {
        db.OnRebuildNotice = [this] { ++rebuildNotices; };
        db.OnReadError = [this] { ++readErrors; };
        db.OnBeep = [this] { ++beeps; };
        db.OnCheckStride = [this, stride](int64_t& s, bool&) {
            ++strideQuestions;
            s = stride;
        };
    }
    bool Open(const fs::path& path) {
        db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
        return !db.FileName().empty();
    }
    std::string Record(int64_t n, bool* deleted = nullptr) {
        std::string key, text;
        bool del = false;
        EXPECT_EQ(db.GetRecord(n, key, text, del, false, false), 0) << "record " << n;
        if (deleted) *deleted = del;
        return text;
    }
};

ccf::Database ThreeGames() {
    ccf::Database d;
    d.Add(ccf::PgnRecord("[Event \"one\"]\r\n\r\n1. e4 *"));
    d.AddDeleted();
    d.Add(ccf::PgnRecord("[Event \"three\"]\r\n\r\n1. d4 *"));
    return d;
}

int64_t Entry(const std::string& index, size_t n) { return ccf::GetInt64(index, 8 + n); }

}  // namespace

TEST(DatabaseEscaping, BytesZeroAnd255RoundTrip) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    all += std::string("\xFF\xFF\x00\x00\xFF", 5);
    std::string stored = TCustomDatabase::Encode(all);
    EXPECT_EQ(stored.find('\0'), std::string::npos);
    EXPECT_EQ(TCustomDatabase::Decode(stored), all);
    EXPECT_EQ(TCustomDatabase::Encode(std::string("\xFF\x00", 2)), std::string("\xFF\x05\xFF\x06", 4));
}

TEST(DatabaseEscaping, PairAcrossTheChunkBoundaryIsNotSplit) {
    // Decoding works in chunks of 10,000 bytes: put an escape pair on every
    // position around the boundary.
    for (size_t at = 9995; at <= 10003; ++at) {
        std::string plain(at, 'a');
        plain += '\0';
        plain += std::string(20, 'b');
        plain += '\xFF';
        EXPECT_EQ(TCustomDatabase::Decode(TCustomDatabase::Encode(plain)), plain) << at;
    }
    std::string big;
    std::mt19937 rng(7);
    for (int i = 0; i < 100000; ++i) big += static_cast<char>(rng() % 3 == 0 ? (rng() % 2 ? 0 : 255) : 'x');
    EXPECT_EQ(TCustomDatabase::Decode(TCustomDatabase::Encode(big)), big);
}

TEST(DatabaseEscaping, Lone255AtTheEndIsKept) {
    EXPECT_EQ(TCustomDatabase::Decode("ab\xFF"), "ab\xFF");
    EXPECT_EQ(TCustomDatabase::Decode("\xFF"), "\xFF");
    EXPECT_EQ(TCustomDatabase::Decode(std::string(9999, 'a') + "\xFF"), std::string(9999, 'a') + "\xFF");
}

TEST(DatabaseOpen, MissingIndexIsCreatedAndRebuilt) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string(), /*withoutIndex=*/true);
    const std::string data = ReadFile(path);
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.rebuildNotices, 1);
    EXPECT_EQ(o.db.EntryCount(), 3);
    EXPECT_EQ(o.db.LiveCount(), 2);
    EXPECT_EQ(ReadFile(dir / "g.ccfidx"), ThreeGames().Index());
    EXPECT_EQ(ReadFile(path), data);
    EXPECT_EQ(o.Record(2), "\x01[Event \"three\"]\r\n\r\n1. d4 *");
    EXPECT_TRUE(fs::exists(dir / "g.ccftmp"));
    o.db.Close();
    EXPECT_FALSE(fs::exists(dir / "g.ccftmp")) << "the lock file goes with the database";
}

// Opened read-only, a database is read whatever its state, and nothing is
// created or written: no lock file, no index (a missing or zeroed one is
// kept privately), no final zero byte.
TEST(DatabaseOpen, ReadOnlyOpenWritesNothing) {
    for (const char* index : {"none", "zeros"}) {
        TempDir dir;
        const fs::path path = dir / "g.ccf";
        ThreeGames().Write(path.string(), /*withoutIndex=*/true);
        WriteFile(path, ReadFile(path).substr(0, ReadFile(path).size() - 1));  // the last record's zero cut off
        if (std::string(index) == "zeros") WriteFile(dir / "g.ccfidx", std::string(8 * 11, '\0'));
        const std::string data = ReadFile(path);
        Opened o;
        o.db.ReadOnly = true;
        ASSERT_TRUE(o.Open(path)) << index;
        EXPECT_EQ(o.db.EntryCount(), 3) << index;
        EXPECT_EQ(o.Record(2), "\x01[Event \"three\"]\r\n\r\n1. d4 *") << index;
        o.db.Close();
        EXPECT_EQ(ReadFile(path), data) << index;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  std::string(index) == "none" ? 1 : 2)
            << index;
    }
}

TEST(DatabaseOpen, MissingDataFileGivesAnEmptyDatabase) {
    TempDir dir;
    Opened o;
    ASSERT_TRUE(o.Open(dir / "new.ccf"));
    EXPECT_TRUE(fs::exists(dir / "new.ccf"));
    EXPECT_EQ(fs::file_size(dir / "new.ccf"), 0u);
    EXPECT_EQ(o.db.EntryCount(), 0);
    EXPECT_EQ(o.db.LiveCount(), 0);
    EXPECT_EQ(fs::file_size(dir / "new.ccfidx"), 64u);
}

TEST(DatabaseOpen, ValidIndexIsKeptAsItIs) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    const std::string index = ReadFile(dir / "g.ccfidx");
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.rebuildNotices, 0);
    EXPECT_EQ(o.beeps, 0);
    EXPECT_EQ(ReadFile(dir / "g.ccfidx"), index);
    EXPECT_EQ(o.db.DatabaseTag(), ":" + path.string());
    EXPECT_EQ(o.db.LastError(), 0);
}

TEST(DatabaseOpen, CoincidingExtensionsAreRefusedWithCode10) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    TCustomDatabase db;
    db.Open(path.string(), ".CCF", kValues, ".ccftmp");
    EXPECT_EQ(db.LastError(), 10);
    EXPECT_EQ(db.FileName(), "");
    EXPECT_EQ(db.LastErrorText(), "Wrong file extensions.");
    db.Open(path.string(), ".ccfidx", kValues, ".ccfidx");
    EXPECT_EQ(db.LastError(), 10);
    db.Open(path.string(), ".ccfidx", kValues, ".Ccf");
    EXPECT_EQ(db.LastError(), 10);
    EXPECT_FALSE(fs::exists(dir / "g.ccftmp"));
}

TEST(DatabaseOpen, ErrorTexts) {
    EXPECT_EQ(TCustomDatabase::ErrorText(1), "Error while creating index file.");
    EXPECT_EQ(TCustomDatabase::ErrorText(2), "Write protection could not be deleted.");
    EXPECT_EQ(TCustomDatabase::ErrorText(3), "Error.");
    EXPECT_EQ(TCustomDatabase::ErrorText(4), "Index out of range.");
    EXPECT_EQ(TCustomDatabase::ErrorText(5), "Data could not be removed.");
    EXPECT_EQ(TCustomDatabase::ErrorText(6), "Data could not be read.");
    EXPECT_EQ(TCustomDatabase::ErrorText(7), "Data could not be replaced.");
    EXPECT_EQ(TCustomDatabase::ErrorText(8), "File could not be compressed.");
    EXPECT_EQ(TCustomDatabase::ErrorText(9), "Data could not be added.");
    EXPECT_EQ(TCustomDatabase::ErrorText(10), "Wrong file extensions.");
}

TEST(DatabaseRecords, DeletedRecordsAndSkip) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    d.Add(std::string(4, '\x07'));
    d.Add("");  // empty: deleted too
    d.Add("\x07\x07x");  // not only sevens: live
    d.Write(path.string(), true);
    Opened o;
    ASSERT_TRUE(o.Open(path));
    std::string index = ReadFile(dir / "g.ccfidx");
    EXPECT_EQ(Entry(index, 0), -1);
    EXPECT_EQ(Entry(index, 1), -6);
    EXPECT_EQ(Entry(index, 2), 7);
    EXPECT_EQ(o.db.LiveCount(), 1);
    std::string key, text;
    bool deleted = false;
    EXPECT_EQ(o.db.GetRecord(0, key, text, deleted, false, true), 1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(o.db.GetRecord(0, key, text, deleted, false, false), 0);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(text, "\x07\x07\x07\x07");
    EXPECT_EQ(o.db.GetRecord(1, key, text, deleted, false, false), 0);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(text, "");
    EXPECT_EQ(o.db.GetRecord(2, key, text, deleted, false, true), 0);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(text, "\x07\x07x");
    EXPECT_NE(key.find(":" + path.string()), std::string::npos);
}

TEST(DatabaseRecords, EscapedBytesComeBackUnchangedUnlessRaw) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    const std::string plain("x\0y\xFFz", 5);
    ccf::Database d;
    d.Add(TCustomDatabase::Encode(plain));
    d.Write(path.string());
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.Record(0), plain);
    std::string key, text;
    bool deleted = true;
    EXPECT_EQ(o.db.GetRecord(0, key, text, deleted, true, false), 0);
    EXPECT_EQ(text, TCustomDatabase::Encode(plain));
    EXPECT_FALSE(deleted);
}

TEST(DatabaseRecords, OutOfRangeAndClosed) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    Opened o;
    ASSERT_TRUE(o.Open(path));
    std::string key, text = "old";
    bool deleted = false;
    EXPECT_EQ(o.db.GetRecord(3, key, text, deleted, false, false), -1);
    EXPECT_EQ(o.db.LastError(), 4);
    EXPECT_EQ(text, "");
    EXPECT_EQ(o.db.GetRecord(-1, key, text, deleted, false, false), -1);
    EXPECT_EQ(o.db.LastError(), 4);
    o.db.Close();
    EXPECT_EQ(o.db.GetRecord(0, key, text, deleted, false, false), -1);
    EXPECT_EQ(o.db.EntryCount(), 0);
    EXPECT_EQ(o.db.LiveCount(), 0);
}

TEST(DatabaseRecords, HundredMegabyteRecordReadsWhole) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    std::string big(100 * 1000 * 1000, 'q');
    big[0] = '\x01';
    ccf::Database d;
    d.Add("\x01small");
    d.Add(big);
    d.Add("\x01tail");
    d.Write(path.string(), true);
    big.clear();
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.db.EntryCount(), 3);
    std::string text = o.Record(1);
    EXPECT_EQ(text.size(), 100u * 1000 * 1000);
    EXPECT_EQ(text.find_first_not_of('q', 1), std::string::npos);
    EXPECT_EQ(o.Record(2), "\x01tail");
}

// ------------------------------------------------------------ bad index files

struct Corruption {
    const char* name;
    std::function<std::string(const std::string& index, const std::string& data)> make;
};

TEST(DatabaseCorruption, EveryBadIndexIsDetectedAndRebuilt) {
    const ccf::Database good = ThreeGames();
    const std::string goodIndex = good.Index();
    const std::vector<Corruption> cases = {
        {"empty", [](auto&, auto&) { return std::string(); }},
        {"seven records", [](auto& i, auto&) { return i.substr(0, 56); }},
        {"header only", [](auto& i, auto&) { return i.substr(0, 64); }},
        {"one entry missing", [](auto& i, auto&) { return i.substr(0, i.size() - 8); }},
        {"not whole entries", [](auto& i, auto&) { return i + "xyz"; }},
        {"garbage", [](auto& i, auto&) {
             std::string g(i.size(), '\0');
             std::mt19937 rng(3);
             for (auto& c : g) c = static_cast<char>(rng());
             return g;
         }},
        {"wrong mark", [](auto& i, auto&) {
             std::string g = i;
             g[0] ^= 1;
             return g;
         }},
        {"past the end", [](auto& i, auto& d) {
             std::string g = i.substr(0, i.size() - 8);
             ccf::PutInt64(g, static_cast<int64_t>(d.size()) + 10);
             return g;
         }},
        {"into a record", [](auto& i, auto&) {
             std::string g = i.substr(0, i.size() - 8);
             ccf::PutInt64(g, ccf::GetInt64(i, 10) + 3);
             return g;
         }},
        {"zero entry", [](auto& i, auto&) {
             std::string g = i.substr(0, i.size() - 8);
             ccf::PutInt64(g, 0);
             return g;
         }},
        {"wrong live count", [](auto& i, auto&) {
             std::string g = i;
             g[16] = 3;
             return g;
         }},
        {"entries out of order", [](auto& i, auto&) {
             std::string g = i.substr(0, 64);
             g += i.substr(80, 8);
             g += i.substr(72, 8);
             g += i.substr(64, 8);
             return g;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::path path = dir / "g.ccf";
        good.Write(path.string());
        const std::string data = ReadFile(path);
        WriteFile(dir / "g.ccfidx", c.make(goodIndex, data));
        Opened o;
        ASSERT_TRUE(o.Open(path));
        EXPECT_EQ(o.rebuildNotices, 1);
        EXPECT_EQ(ReadFile(dir / "g.ccfidx"), goodIndex);
        EXPECT_EQ(ReadFile(path), data) << "the data file is never changed";
        EXPECT_EQ(o.Record(2), "\x01[Event \"three\"]\r\n\r\n1. d4 *");
    }
}

TEST(DatabaseCorruption, WrongLiveCountBeeps) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    std::string index = ReadFile(dir / "g.ccfidx");
    index[16] = 1;
    WriteFile(dir / "g.ccfidx", index);
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.beeps, 1);
    EXPECT_EQ(o.rebuildNotices, 1);
    EXPECT_EQ(o.db.LiveCount(), 2);
}

TEST(DatabaseCorruption, DataFileWithoutFinalZeroGetsExactlyOneUnlessProtected) {
    for (bool protect : {false, true}) {
        SCOPED_TRACE(protect ? "write-protected" : "writable");
        TempDir dir;
        fs::path path = dir / "g.ccf";
        std::string data = ThreeGames().Data();
        data += "\x01[Event \"cut\"]";  // a last record without its zero
        WriteFile(path, data);
        if (protect) fs::permissions(path, fs::perms::owner_read);
        // A protected file is never written: its protection is not lifted.
        const std::string expected = protect ? data : data + std::string(1, '\0');
        for (int open = 0; open < 2; ++open) {
            Opened o;
            ASSERT_TRUE(o.Open(path));
            EXPECT_EQ(o.rebuildNotices, open == 0 ? 1 : 0);
            EXPECT_EQ(ReadFile(path), expected);
            EXPECT_EQ(o.db.EntryCount(), 4);
            EXPECT_EQ(o.Record(3), "\x01[Event \"cut\"]");
        }
        if (protect) {
            EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read);
        }
    }
}

TEST(DatabaseCorruption, TruncatedDataFileIsReindexed) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d = ThreeGames();
    d.Write(path.string());
    std::string data = ReadFile(path);
    data.resize(data.size() - 10);  // the third record loses its end
    WriteFile(path, data);
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.rebuildNotices, 1);
    EXPECT_EQ(o.db.EntryCount(), 3);
    EXPECT_EQ(o.Record(2), "\x01[Event \"three\"]\r\n");
}

TEST(DatabaseCorruption, DataAppendedBehindTheIndexIsNoticedWhileSampling) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    for (int i = 0; i < 1000; ++i) d.Add(ccf::PgnRecord("[Event \"" + std::to_string(i) + "\"]"));
    d.Write(path.string());
    std::string data = ReadFile(path);
    WriteFile(path, data + "\x01[Event \"new\"]" + std::string(1, '\0'));
    Opened o(/*stride=*/100);
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.rebuildNotices, 1);
    EXPECT_EQ(o.db.EntryCount(), 1001);
}

TEST(DatabaseCorruption, IndexEntryPointingIntoARecordFailsTheRead) {
    // An entry the sampling check did not look at is caught when read.
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    for (int i = 0; i < 1000; ++i) d.Add(ccf::PgnRecord("[Event \"" + std::to_string(i) + "\"]"));
    d.Write(path.string());
    std::string index = ReadFile(dir / "g.ccfidx");
    std::string bad = index.substr(0, 8 * (8 + 555));
    ccf::PutInt64(bad, ccf::GetInt64(index, 8 + 555) + 2);
    bad += index.substr(8 * (8 + 556));
    WriteFile(dir / "g.ccfidx", bad);
    Opened o(/*stride=*/100);
    ASSERT_TRUE(o.Open(path));
    std::string key, text;
    bool deleted = false;
    EXPECT_EQ(o.db.GetRecord(555, key, text, deleted, false, false), -1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(o.Record(556), "\x01[Event \"556\"]");
}

TEST(DatabaseCorruption, RandomDataFilesNeverCrash) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        TempDir dir;
        fs::path path = dir / "r.ccf";
        std::string data(rng() % 3000, '\0');
        for (auto& c : data) c = static_cast<char>(rng() % 4 == 0 ? 0 : rng());
        WriteFile(path, data);
        if (round % 2) {
            std::string index(rng() % 400, '\0');
            for (auto& c : index) c = static_cast<char>(rng());
            WriteFile(dir / "r.ccfidx", index);
        }
        TChessDatabase db;
        db.Open(path.string());
        if (db.FileName().empty()) {
            EXPECT_EQ(db.LastError(), 10) << "only an index that is not ours refuses the open";
            continue;
        }
        for (int64_t n = 0; n < db.EntryCount(); ++n) {
            std::string key, text;
            bool deleted = false;
            EXPECT_TRUE(db.FetchGame(n, key, text, deleted));
        }
    }
}

// ------------------------------------------------------------ check and rebuild

TEST(DatabaseCheck, StrideSamplesTheIndex) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    for (int i = 0; i < 10000; ++i) d.Add(ccf::PgnRecord("[Event \"x\"]"));
    d.Write(path.string());
    Opened o(/*stride=*/50);
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(o.rebuildNotices, 0);
    EXPECT_GE(o.strideQuestions, 199);
    EXPECT_LE(o.strideQuestions, 202);
    o.db.Close();
    Opened full;
    ASSERT_TRUE(full.Open(path));
    EXPECT_EQ(full.strideQuestions, 10000);
}

TEST(DatabaseCheck, CancelFromTheStrideCallbackPasses) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    std::string index = ReadFile(dir / "g.ccfidx");
    index[16] = 1;  // a wrong live count that the whole walk would catch
    WriteFile(dir / "g.ccfidx", index);
    TCustomDatabase db;
    int asked = 0;
    db.OnCheckStride = [&](int64_t&, bool& cancel) {
        ++asked;
        cancel = true;
    };
    bool rebuilt = false;
    db.OnRebuildNotice = [&] { rebuilt = true; };
    db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
    EXPECT_FALSE(db.FileName().empty());
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(rebuilt);
}

TEST(DatabaseRebuild, ProgressAndCancelKeepTheOldIndex) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    for (int i = 0; i < 500; ++i) d.Add(ccf::PgnRecord("[Event \"" + std::to_string(i) + "\"]"));
    d.Write(path.string());
    std::string index = ReadFile(dir / "g.ccfidx");
    index[16] = 1;  // wrong live count: rebuild
    WriteFile(dir / "g.ccfidx", index);
    const std::string data = ReadFile(path);

    TCustomDatabase db;
    std::vector<int> seen;
    int readErrors = 0;
    db.OnReadError = [&] { ++readErrors; };
    db.OnProgress = [&](bool& cancel, int percent) {
        seen.push_back(percent);
        if (percent >= 40) cancel = true;
    };
    db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
    EXPECT_EQ(db.FileName(), "");
    EXPECT_EQ(db.LastError(), 1);
    EXPECT_EQ(readErrors, 1);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.back(), 0) << "progress ends with 0";
    EXPECT_EQ(ReadFile(dir / "g.ccfidx"), index) << "a cancelled rebuild leaves the old index";
    EXPECT_EQ(ReadFile(path), data);
    EXPECT_FALSE(fs::exists(dir / "g.ccftmp"));

    seen.clear();
    db.OnProgress = [&](bool&, int percent) { seen.push_back(percent); };
    db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
    ASSERT_FALSE(db.FileName().empty());
    EXPECT_EQ(db.LiveCount(), 500);
    for (size_t i = 1; i + 1 < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]) << "reported on change only";
    EXPECT_EQ(seen[seen.size() - 2], 100);
    EXPECT_EQ(seen.back(), 0);
}

TEST(DatabaseRebuild, ProcessKilledDuringRebuildLeavesDataIntact) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    for (int i = 0; i < 2000; ++i) d.Add(ccf::PgnRecord("[Event \"" + std::to_string(i) + "\"]"));
    d.Write(path.string(), /*withoutIndex=*/true);
    const std::string data = ReadFile(path);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TCustomDatabase db;
        db.OnProgress = [](bool&, int percent) {
            if (percent >= 50) _exit(0);  // killed half-way
        };
        db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
        _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(path), data);
    Opened o;
    ASSERT_TRUE(o.Open(path)) << "a stale lock file of a dead process is taken over";
    EXPECT_EQ(o.rebuildNotices, 1);
    EXPECT_EQ(o.db.EntryCount(), 2000);
    EXPECT_EQ(o.Record(1999), "\x01[Event \"1999\"]");
}

TEST(DatabaseFiles, ChangesBySomeoneElseAreCounted) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    Opened o;
    ASSERT_TRUE(o.Open(path));
    o.Record(0);
    EXPECT_EQ(o.db.ChangeCount(), 0);
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
    o.Record(0);
    EXPECT_EQ(o.db.ChangeCount(), 1);
    o.Record(0);
    EXPECT_EQ(o.db.ChangeCount(), 1);
}

TEST(DatabaseFiles, DataFileRemovedWhileOpenGivesReadErrors) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    Opened o;
    ASSERT_TRUE(o.Open(path));
    fs::remove(path);
    std::string key, text;
    bool deleted = false;
    EXPECT_EQ(o.db.GetRecord(0, key, text, deleted, false, false), -1);
    EXPECT_EQ(o.readErrors, 1);
}

// ------------------------------------------------------------ read-only files

TEST(DatabaseReadOnly, OpenedReadOnlyAndAttributeKept) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(dir / "g.ccfidx", fs::perms::owner_read | fs::perms::group_read);
    {
        Opened o;
        ASSERT_TRUE(o.Open(path));
        EXPECT_TRUE(o.db.WasReadOnly());
        EXPECT_EQ(o.Record(0), "\x01[Event \"one\"]\r\n\r\n1. e4 *");
    }
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(fs::status(dir / "g.ccfidx").permissions(), fs::perms::owner_read | fs::perms::group_read);
}

TEST(DatabaseReadOnly, ProtectedIndexIsRebuiltPrivatelyAndNeverWritten) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    WriteFile(dir / "g.ccfidx", "garbage");
    fs::permissions(path, fs::perms::owner_read);
    fs::permissions(dir / "g.ccfidx", fs::perms::owner_read);
    const std::string data = ReadFile(path);
    for (int open = 0; open < 2; ++open) {
        Opened o;
        ASSERT_TRUE(o.Open(path));
        EXPECT_EQ(o.rebuildNotices, 1) << "the user's index still fails its check";
        EXPECT_EQ(o.db.EntryCount(), 3);
        EXPECT_EQ(o.db.LiveCount(), 2);
        EXPECT_EQ(o.Record(2), "\x01[Event \"three\"]\r\n\r\n1. d4 *");
        EXPECT_TRUE(o.db.RebuildIndex()) << "a second rebuild also stays private";
        EXPECT_EQ(o.Record(0), "\x01[Event \"one\"]\r\n\r\n1. e4 *");
    }
    EXPECT_EQ(ReadFile(path), data);
    EXPECT_EQ(ReadFile(dir / "g.ccfidx"), "garbage");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read);
    EXPECT_EQ(fs::status(dir / "g.ccfidx").permissions(), fs::perms::owner_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no scratch or lock file is left beside the database";
}

// Runs body in a child process without the superuser's right to write
// anywhere (root drops to nobody); returns the child's exit code.
int AsUnprivileged(const std::function<int()>& body) {
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DatabaseReadOnly, FolderWeCannotWriteToIsReadWithoutWriting) {
    // A read-only medium or someone else's folder: no lock file can be made,
    // and a missing or stale index can only be kept privately. A lock held
    // by another program still keeps us out.
    for (const char* index : {"missing", "stale", "locked"}) {
        SCOPED_TRACE(index);
        TempDir dir;
        fs::path path = dir / "g.ccf";
        ThreeGames().Write(path.string());
        if (std::string(index) == "missing") fs::remove(dir / "g.ccfidx");
        if (std::string(index) == "stale") WriteFile(dir / "g.ccfidx", "garbage");
        int holder = -1;
        if (std::string(index) == "locked") {
            holder = ::open((dir / "g.ccftmp").c_str(), O_RDWR | O_CREAT, 0644);
            ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        }
        const std::string data = ReadFile(path);
        std::vector<fs::path> before(fs::directory_iterator(dir.path()), fs::directory_iterator());
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
        int code = AsUnprivileged([&] {
            Opened o;
            if (!o.Open(path)) return static_cast<int>(o.db.LastError());
            return o.db.LiveCount() == 2 && o.Record(2) == "\x01[Event \"three\"]\r\n\r\n1. d4 *" ? 0 : 50;
        });
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(code, std::string(index) == "locked" ? 3 : 0);
        if (holder >= 0) ::close(holder);
        std::vector<fs::path> after(fs::directory_iterator(dir.path()), fs::directory_iterator());
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before);
        EXPECT_EQ(ReadFile(path), data);
    }
}

// ------------------------------------------------------------ the lock

TEST(DatabaseLock, SecondOpenerIsRefusedUntilTheFirstCloses) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    Opened first;
    ASSERT_TRUE(first.Open(path));
    EXPECT_TRUE(first.db.LockOpen());
    Opened second;
    EXPECT_FALSE(second.Open(path));
    EXPECT_EQ(second.db.LastError(), 3);
    EXPECT_TRUE(fs::exists(dir / "g.ccftmp")) << "the refused opener leaves the holder's lock file";
    first.db.Close();
    EXPECT_TRUE(second.Open(path));
}

TEST(DatabaseLock, AnotherProcessIsRefused) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    Opened holder;
    ASSERT_TRUE(holder.Open(path));
    auto childOpens = [&] {
        pid_t child = fork();
        if (child == 0) {
            TChessDatabase db;
            db.Open(path.string());
            _exit(db.FileName().empty() ? static_cast<int>(db.LastError()) : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(childOpens(), 3) << "refused while another process has the database open";
    holder.db.Close();
    EXPECT_EQ(childOpens(), 0);
}

TEST(DatabaseLock, StaleLockFileIsTakenOver) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    WriteFile(dir / "g.ccftmp", "left over from a crash");
    Opened o;
    ASSERT_TRUE(o.Open(path));
    EXPECT_EQ(fs::file_size(dir / "g.ccftmp"), 1u);
}

TEST(DatabaseCheck, StrideOfOneStillComparesTheLiveCount) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    std::string index = ReadFile(dir / "g.ccfidx");
    index[16] = 1;
    WriteFile(dir / "g.ccfidx", index);
    Opened one(/*stride=*/1);
    ASSERT_TRUE(one.Open(path));
    EXPECT_EQ(one.rebuildNotices, 1);
    one.db.Close();
    WriteFile(dir / "g.ccfidx", index);
    Opened sampled(/*stride=*/2);
    ASSERT_TRUE(sampled.Open(path));
    EXPECT_EQ(sampled.rebuildNotices, 0) << "a sampling walk cannot count live entries";
}

TEST(DatabaseCheck, TimeLimitFailsASlowCheck) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string());
    TCustomDatabase db;
    db.CheckTimeLimit = 1;
    int rebuilds = 0;
    db.OnRebuildNotice = [&] { ++rebuilds; };
    db.OnCheckStride = [&](int64_t&, bool&) { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); };
    db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
    EXPECT_FALSE(db.FileName().empty());
    EXPECT_EQ(rebuilds, 1);
}

TEST(DatabaseCheck, NothingIsReadWhileBusy) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ThreeGames().Write(path.string(), /*withoutIndex=*/true);
    TCustomDatabase db;
    int64_t entries = -1, live = -1;
    int record = 99;
    db.OnProgress = [&](bool&, int percent) {
        if (percent == 0 && entries != -1) return;  // the closing report
        entries = db.EntryCount();
        live = db.LiveCount();
        std::string key, text;
        bool deleted = false;
        record = db.GetRecord(0, key, text, deleted, false, false);
        EXPECT_TRUE(db.Busy());
    };
    db.Open(path.string(), ".ccfidx", kValues, ".ccftmp");
    ASSERT_FALSE(db.FileName().empty());
    EXPECT_EQ(entries, 0);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(record, -1);
    EXPECT_FALSE(db.Busy());
    EXPECT_EQ(db.EntryCount(), 3);
}

TEST(DatabaseRecords, RecordLongerThanTheLimitFailsInsteadOfFillingMemory) {
    TempDir dir;
    fs::path path = dir / "g.ccf";
    ccf::Database d;
    d.Add(std::string(300000, 'a'));
    d.Add("\x01short");
    d.Add(std::string(100001, 'b'));  // one byte over, its end in the last chunk read
    d.Add(std::string(100000, 'c'));  // exactly at the limit
    d.Write(path.string());
    Opened o;
    o.db.MaxRecordBytes = 100000;
    ASSERT_TRUE(o.Open(path));
    for (int64_t n : {0, 2}) {
        std::string key, text = "x";
        bool deleted = false;
        EXPECT_EQ(o.db.GetRecord(n, key, text, deleted, false, false), -1) << n;
        EXPECT_EQ(o.db.LastError(), 6);
        EXPECT_EQ(text, "");
    }
    EXPECT_EQ(o.Record(1), "\x01short");
    EXPECT_EQ(o.Record(3).size(), 100000u);
}

TEST(DatabaseFiles, FolderInPlaceOfTheDataFileFailsTheOpen) {
    TempDir dir;
    fs::create_directory(dir / "g.ccf");
    Opened o;
    EXPECT_FALSE(o.Open(dir / "g.ccf"));
    EXPECT_EQ(o.db.LastError(), 3);
    EXPECT_EQ(o.readErrors, 1);
    EXPECT_FALSE(fs::exists(dir / "g.ccftmp"));
}
