// Every compressed form of a real file reads as the plain file does: the same
// games, list rows, game texts (fetched in a jumbled order, so that reads
// start again from the restart points) and search hits. The forms are made
// at test time with the Debian tools; a row whose tool is missing is
// skipped, saying so. A damaged or cut file is an error that names the file
// and the place, never a shorter list.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "collection/game_list_core.h"
#include "collection/row_texts.h"
#include "search/game_search.h"
#include "source/decoding_source.h"
#include "support/test_data.h"

namespace fs = std::filesystem;

namespace {

struct TForm {
    const char* name;
    const char* tool;     // must be installed
    const char* command;  // makes $OUT from $IN (the plain file) in the folder
    std::size_t points;   // restart points the first reading must leave at least
};

// IN holds the real file twice over (4.8 MB): several bzip2 blocks, xz
// blocks, zstd frames and gzip restart points. A form that packs other text
// than IN leaves that text as expected.pgn.
const TForm kForms[] = {
    {"gzip", "gzip", "gzip -c IN > OUT", 2},
    {"gzip_two_members", "gzip", "head -c 3000000 IN | gzip -c > OUT && tail -c +3000001 IN | gzip -1 -c >> OUT", 3},
    {"bzip2", "bzip2", "bzip2 -c IN > OUT", 5},
    {"bzip2_small_blocks", "bzip2", "bzip2 -1 -c IN > OUT", 40},
    // Two streams, as pbzip2 and cat write them.
    {"bzip2_two_streams", "bzip2", "head -c 3000000 IN | bzip2 -c > OUT && tail -c +3000001 IN | bzip2 -c >> OUT", 5},
    {"xz_one_block", "xz", "xz -c IN > OUT", 1},
    {"xz_blocks", "xz", "xz -T2 --block-size=1MiB -c IN > OUT", 4},
    {"zstd_one_frame", "zstd", "zstd -q -c IN > OUT", 1},
    {"zstd_frames", "zstd", "split -b 1500000 IN part && for p in part*; do zstd -q -c $p; done > OUT", 3},
    {"pzstd", "pzstd", "pzstd -q -p 2 -1 -c IN > OUT", 2},
    {"zip", "zip", "zip -q -j OUT IN", 2},
    {"zip_stored", "zip", "zip -q -0 -j OUT IN", 1},
    // A member whose deflate data ends where zlib still holds output.
    {"zip_member_past_2mib", "zip", "head -c 2097262 IN > expected.pgn && zip -q -1 -j OUT expected.pgn", 1},
    // Members packed with methods decoded by liblzma and libzstd, not by libzip.
    {"zip_lzma", "python3", "python3 SUPPORT/zip_member.py lzma OUT IN", 1},
    {"zip_xz", "python3", "python3 SUPPORT/zip_member.py xz OUT IN", 1},
    {"zip_zstd", "zstd", "python3 SUPPORT/zip_member.py zstd OUT IN", 1},
    // A locked note beside the games does not lock the archive.
    {"zip_locked_note", "zip", "cp IN games.pgn && echo note > note.txt && zip -q OUT games.pgn && zip -q -P x OUT note.txt", 1},
    // Zeros padding the data.
    {"zstd_padded", "zstd", "zstd -q -c IN > OUT && head -c 1001 /dev/zero >> OUT", 1},
    {"xz_padded", "xz", "xz -T2 --block-size=1MiB -c IN > OUT && head -c 1001 /dev/zero >> OUT", 4},
    // Two PGN members (their games one after the other) and a note, which is no game file.
    {"zip_two_members", "zip", "split -n l/2 IN half && echo note > readme.txt && mv halfaa a.pgn && mv halfab b.pgn "
                               "&& zip -q OUT a.pgn readme.txt b.pgn && cat a.pgn b.pgn > expected.pgn",
     1},
};

bool HaveTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Runs a form's command in dir with IN and OUT replaced.
void Make(const fs::path& dir, std::string command, const fs::path& in, const fs::path& out) {
    const std::string support = (testdata::FixtureDir().parent_path() / "support").string();
    for (auto [key, value] : {std::pair<std::string, std::string>{"IN", in.string()}, {"OUT", out.string()},
                              {"SUPPORT", support}})
        for (std::size_t at; (at = command.find(key)) != std::string::npos;) command.replace(at, key.size(), "'" + value + "'");
    ASSERT_EQ(std::system(("cd '" + dir.string() + "' && " + command).c_str()), 0) << command;
}

std::vector<std::int32_t> TextHits(const TGameListCore& core) {
    std::vector<std::int32_t> games;
    TGameSearch search;
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        for (const TSearchHit& h : hits) games.push_back(h.Game);
    };
    std::string error;
    EXPECT_TRUE(search.StartText(core, "Stockfish", error)) << error;
    search.Wait();
    return games;
}

std::string Row(TGameListCore& core, std::int32_t i) {
    core.LoadRowHeader(i);
    const TRowTexts t = ComposeRowTexts(core.CurrentHeader, i);
    return t.Player + "|" + t.Source + "|" + t.Year + "|" + t.Result + "|" + t.ECO;
}

// What a shell command prints on its standard output.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[65536];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

std::string Text(TGameListCore& core, std::int32_t i) {
    std::int32_t id = -1;
    std::string text;
    core.GetGame(i, id, text);
    return text;
}

fs::path RealFile() { return testdata::SharedPgnDir() / "TCEC_Season_24_-_Dfrc_2_Final.pgn"; }

void PrintTo(const TForm& form, std::ostream* out) { *out << form.name; }

class CompressedFile : public testing::TestWithParam<TForm> {};

TEST_P(CompressedFile, ReadsAsThePlainFile) {
    REQUIRE_SHARED_PGN();
    const TForm& form = GetParam();
    if (!HaveTool(form.tool)) GTEST_SKIP() << form.tool << " is not installed: the " << form.name << " form is not tested";
    testdata::TempDir dir;
    const std::string real = testdata::ReadFile(RealFile());
    testdata::WriteFile(dir / "plain.pgn", real + real);
    Make(dir.path(), form.command, dir / "plain.pgn", dir / "games.data");
    const fs::path plainPath = fs::exists(dir / "expected.pgn") ? dir / "expected.pgn" : dir / "plain.pgn";

    TGameListCore plain, packed;
    std::string error;
    ASSERT_TRUE(plain.OpenForReading(plainPath.string(), error)) << error;
    // Not named as a game file: the content says what it is.
    ASSERT_TRUE(packed.OpenForReading((dir / "games.data").string(), error)) << error;
    ASSERT_GT(plain.GameCount(), 30);
    ASSERT_EQ(packed.GameCount(), plain.GameCount());
    for (std::int32_t i = 0; i < plain.GameCount(); ++i) ASSERT_EQ(Row(packed, i), Row(plain, i)) << "row " << i;
    auto* source = dynamic_cast<TDecodingSource*>(packed.Source().get());
    ASSERT_NE(source, nullptr);
    EXPECT_GE(source->Points().Count(), form.points);
    // Jumbled, so that reads go back and forth across restart points.
    const std::int32_t n = plain.GameCount();
    for (std::int32_t k = 0; k < 40; ++k) {
        const std::int32_t i = static_cast<std::int32_t>((k * 7919L) % n);
        ASSERT_EQ(Text(packed, i), Text(plain, i)) << "game " << i;
    }
    EXPECT_EQ(Text(packed, n - 1), Text(plain, n - 1));
    const std::vector<std::int32_t> hits = TextHits(plain);
    EXPECT_FALSE(hits.empty());
    EXPECT_EQ(TextHits(packed), hits);
    // Through a pipe, read once as it comes, the rows are the same.
    const fs::path cli = fs::path(QUARZEL_BIN_DIR) / "quarzel-cli";
    if (!fs::exists(cli)) return;  // a build without the programs (the sanitizer build)
    const std::string rows = Output("'" + cli.string() + "' list '" + plainPath.string() + "'");
    EXPECT_GT(rows.size(), 1000u);
    EXPECT_EQ(Output("cat '" + (dir / "games.data").string() + "' | '" + cli.string() + "' list -"), rows);
}

// A cut file and one with bytes overwritten in its middle: the open fails
// with a message naming the file and the byte.
TEST_P(CompressedFile, DamageIsAnErrorNamingThePlace) {
    REQUIRE_SHARED_PGN();
    const TForm& form = GetParam();
    if (!HaveTool(form.tool)) GTEST_SKIP() << form.tool << " is not installed: the " << form.name << " form is not tested";
    testdata::TempDir dir;
    testdata::WriteFile(dir / "plain.pgn", testdata::ReadFile(RealFile()));
    Make(dir.path(), form.command, dir / "plain.pgn", dir / "games.data");
    const std::string packed = testdata::ReadFile(dir / "games.data");
    std::string damaged = packed;
    for (std::size_t i = 0; i < 64; ++i) damaged[damaged.size() / 2 + i] = static_cast<char>(i * 37);
    for (const auto& [kind, bytes] : {std::pair<std::string, std::string>{"cut", packed.substr(0, packed.size() / 2)},
                                      {"damaged", damaged}}) {
        const fs::path path = dir / ("games-" + kind);
        testdata::WriteFile(path, bytes);
        TGameListCore core;
        std::string error;
        EXPECT_FALSE(core.OpenForReading(path.string(), error)) << kind << ": " << core.GameCount() << " games";
        EXPECT_NE(error.find(path.string()), std::string::npos) << kind << ": " << error;
        EXPECT_NE(error.find("at byte"), std::string::npos) << kind << ": " << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, CompressedFile, testing::ValuesIn(kForms),
                         [](const testing::TestParamInfo<TForm>& info) { return std::string(info.param.name); });

}  // namespace
