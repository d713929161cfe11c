// Where the games of a file begin: small files of every kind, block cuts,
// the first pass of every instruction set, the sniff, and the real files
// against a plain reading of the rule.
#include <gtest/gtest.h>

#include <algorithm>

#include "collection/game_bounds.h"
#include "collection/game_text.h"
#include "collection/pgn_sniff.h"
#include "scan_test_support.h"

namespace fs = std::filesystem;
using namespace scantest;

// Small files and where their games start, found whole and fed in small
// pieces (every cut between two blocks), against the plain reading above.
TEST(Scanner, GameBoundaries) {
    // Each case: the file and the text each of its games begins with.
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> games;
    } cases[] = {
        {"no Event tags", "[White \"a\"]\n[Black \"b\"]\n\n1. e4 *\n\n[White \"c\"]\n\n1. d4 *\n",
         {"[White \"a", "[White \"c"}},
        {"some games without Event", Game(1) + "[White \"x\"]\n\n1. c4 *\n" + Game(3),
         {"[Event \"E1", "[White \"x", "[Event \"E3"}},
        {"header-only games, a tag name repeated",
         "[Event \"a\"]\n[Site \"x\"]\n\n[Event \"b\"]\n[Site \"y\"]\n[Event \"c\"]\n",
         {"[Event \"a", "[Event \"b", "[Event \"c"}},
        {"an empty line inside the tag section", "[Event \"a\"]\n\n[Site \"x\"]\n%escape\n[Date \"?\"]\n\n1. e4 *\n",
         {"[Event \"a"}},
        {"tag lines inside a comment", "[Event \"a\"]\n\n1. e4 {\n[Event \"b\"]\n} e5 *\n[Event \"c\"]\n",
         {"[Event \"a", "[Event \"c"}},
        {"a brace in a tag value or a ; comment opens nothing", "[Event \"{a\"]\n\n1. e4 ; {\n[Event \"b\"]\n",
         {"[Event \"{", "[Event \"b"}},
        {"CR-only line ends", Game(1, "\r") + Game(2, "\r"), {"[Event \"E1", "[Event \"E2"}},
        {"no tag line at all", "{intro} 1. e4 e5\n2. Nf3 *\n", {""}},
        {"tags and moves on one line", "[Event \"a\"] 1. e4 *\n[Event \"b\"] 1. d4 *\n", {"[Event \"a", "[Event \"b"}},
        {"text after the tags of a line is no movetext", "[Event \"a\"]<br>\n[Site \"x\"]<br>\n1. e4 *\n",
         {"[Event \"a"}},
        {"a preamble with a tag in a comment, indented tags",
         "{ [Event \"no\"] }\njunk 1. d4\n  [Event \"a\"]\n\n1. e4 *\n\t[Event \"b\"]\n", {"[Event \"a", "[Event \"b"}},
        {"lines of \"[\" that are no tags", "[Event \"a\"]\n\n1. e4\n[%clk 0:01]\n[Event\"b\"]\n*\n", {"[Event \"a"}},
        {"blanks inside the brackets, a tab, a byte order mark in mid-file",
         Game(1) + "[ Event \"b\" ]\n[Site\t\"S\"]\n[ Site \"T\"]\n\n1. d4 *\n\xEF\xBB\xBF[Event \"c\"]\n",
         {"[Event \"E1", "[ Event \"b", "[ Site \"T", "[Event \"c"}},
        {"a byte order mark", "\xEF\xBB\xBF[Event \"a\"]\n\n1. e4 *\n", {"[Event"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::int64_t> starts;
        for (const std::string& game : c.games)
            starts.push_back(static_cast<std::int64_t>(c.bytes.find(game, starts.empty() ? 0 : starts.back() + 1)));
        Scanned s(c.bytes);
        EXPECT_EQ(Starts(s.core), starts);
        EXPECT_EQ(ExpectedStarts(c.bytes), starts);
        for (std::size_t piece = 1; piece <= 5; ++piece) {
            TGameBounds bounds;
            for (std::size_t at = 0; at < c.bytes.size(); at += piece)
                bounds.Feed(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
            bounds.Finish();
            EXPECT_EQ(bounds.Starts(), starts) << "fed " << piece << " bytes at a time";
        }
    }
    // A game's row shows an empty event when it has no Event tag.
    Scanned s("[White \"Anna\"]\n\n1. e4 *\n");
    s.core.LoadRowHeader(0);
    EXPECT_EQ(s.core.CurrentHeader.Event, "");
    EXPECT_EQ(s.core.CurrentHeader.White, "Anna");
}

// The first pass of every instruction set the processor has gives the same
// masks as the plain one, over every byte value and window cut.
TEST(Scanner, EveryFirstPassAgrees) {
    std::string bytes;
    for (int i = 0; i < 20000; ++i) bytes += static_cast<char>(i % 7 == 0 ? "\n\r{};[%  \t"[i % 11] : (i * 7919) % 256);
    const std::vector<TClassifyFn> variants = ClassifyVariants();
    ASSERT_GE(variants.size(), 2u);
    for (std::size_t n : {bytes.size(), std::size_t{64 * 7 + 13}, std::size_t{5}}) {
        std::vector<std::vector<std::uint64_t>> results;
        for (TClassifyFn classify : variants) {
            TBlockMasks masks;
            masks.Reserve(n);
            classify(bytes.data(), n, masks.Arrays());
            const TWindowArrays a = masks.Arrays();
            std::vector<std::uint64_t> all;
            for (std::size_t w = 0; w < (n + 63) / 64; ++w) all.insert(all.end(), {a.Ends[w], a.Events[w], a.Closes[w], a.Opens[w]});
            results.push_back(all);
        }
        for (std::size_t v = 1; v < results.size(); ++v) EXPECT_EQ(results[v], results[0]) << "variant " << v << " n " << n;
    }
}

TEST(Scanner, GameStartSplitAnywhereAcrossABlockBoundary) {
    const std::size_t B = TGameListCore::kBlockSize;
    const std::string start = "\n[Event ";
    for (std::size_t k = 0; k <= start.size(); ++k) {
        for (bool moreInNextBlock : {false, true}) {
            // The k-th byte of "\n[Event " is the first byte of the second block.
            std::string bytes = Game(1);
            bytes += "{";
            while (bytes.size() < B - k) bytes += (bytes.size() % 61 == 0) ? '\n' : 'x';
            bytes.resize(B - k);
            bytes += "}" + start.substr(1);
            bytes.insert(B - k - 1, 1, '\0');  // shift: the line feed lands exactly at B - k
            bytes.erase(B - k - 1, 1);
            bytes[B - k] = '\n';
            bytes[B - k - 1] = '}';
            bytes.resize(B - k + 1);
            bytes += "[Event \"split\"]\n\n1. e4 *\n";
            if (moreInNextBlock) bytes += Game(3) + Game(4);
            while (bytes.size() < B + 300) bytes += "{pad}\n";
            Scanned s(bytes);
            SCOPED_TRACE("k=" + std::to_string(k) + (moreInNextBlock ? " with more" : ""));
            EXPECT_EQ(Starts(s.core), ExpectedStarts(bytes));
            EXPECT_EQ(s.core.GameCount(), moreInNextBlock ? 4 : 2);
            EXPECT_EQ(s.core.Entry(1).StartPos, static_cast<std::int64_t>(B - k + 1));
        }
    }
}

TEST(Scanner, ManyBlocksMatchThePlainRule) {
    std::string bytes = "preamble\r\n";
    for (int i = 0; i < 3000; ++i) {
        bytes += Game(i, i % 3 ? "\n" : "\r\n");
        if (i % 7 == 0) bytes += "{ comment with [Event inside }\n";
        if (i % 11 == 0) bytes += std::string(static_cast<std::size_t>(i % 97), ' ') + "\n";
    }
    Scanned s(bytes);
    EXPECT_EQ(Starts(s.core), ExpectedStarts(bytes));
    EXPECT_EQ(s.core.GameCount(), 3000);
}

TEST(Scanner, LooksLikePGN) {
    testdata::TempDir dir;
    auto check = [&](const std::string& bytes) {
        testdata::WriteFile(dir / "x.pgn", bytes);
        return LooksLikePGN((dir / "x.pgn").string());
    };
    EXPECT_TRUE(check(""));
    EXPECT_TRUE(check("\n\r\n\n"));
    EXPECT_FALSE(check(" \n"));
    // A tag line (of any name, indented too) or movetext; in the first 1000 lines.
    EXPECT_TRUE(check("{ a comment [Event \"no\"]\n}\n  [ECO \"A00\"]\n"));
    EXPECT_TRUE(check("\xEF\xBB\xBF[White \"x\"]"));
    EXPECT_TRUE(check("some words\r1.e4 e5 *"));
    EXPECT_TRUE(check("e2e4 e7e5 g1f3 *"));
    EXPECT_FALSE(check("a word e4 and b5 in a sentence\n"));
    EXPECT_FALSE(check(std::string("1. e4 e5 2. Nf3\x01\x02") + "\n"));
    EXPECT_FALSE(check("<html><body>chess games</body></html>\n"));
    // A web page whose prose quotes moves: markup before any tag line or movetext.
    EXPECT_FALSE(check("<!DOCTYPE html>\n<p>\nAfter 1. c4 e5 White plays\n"));
    EXPECT_FALSE(check("  <div class=\"news\">\nThe English: 1. c4 e5 2. Nc3\n"));
    // Markup after the games begin, or inside a comment, is the games' own text.
    EXPECT_TRUE(check("[Event \"x\"]\n<html>\n"));
    EXPECT_TRUE(check("{ a note\n<b>bold</b> }\n1. e4 e5 *\n"));
    EXPECT_TRUE(check("1 < 2 is no markup\n1. e4 e5 *\n"));
    EXPECT_FALSE(check("[event\"x\"]\n{ 1. e4 }\n% 1. e4\n; e4\n"));
    std::string lines;
    for (int i = 0; i < 999; ++i) lines += "x\n";
    EXPECT_TRUE(check(lines + "[Event \"x\"]\n"));
    EXPECT_FALSE(check(lines + "x\n[Event \"x\"]\n"));
    EXPECT_FALSE(LooksLikePGN((dir / "missing.pgn").string()));
}

TEST(Scanner, RealFilesAgreeWithAPlainCount) {
    REQUIRE_SHARED_PGN();
    int files = 0;
    for (const fs::path& p : testdata::SharedPgnFiles()) {
        const std::string bytes = testdata::ReadFile(p);
        TGameListCore c;
        std::string error;
        if (!c.OpenForReading(p.string(), error)) {
            // Only a file the sniff refuses may be refused.
            EXPECT_FALSE(LooksLikePGN(p.string())) << p << ": " << error;
            continue;
        }
        ++files;
        EXPECT_EQ(Starts(c), ExpectedStarts(bytes)) << p;
        for (std::int32_t i = 0; i < c.GameCount(); ++i) {
            c.LoadRowHeader(i);
            const TGameHeader row = c.CurrentHeader;
            c.LoadHeader(i);
            EXPECT_EQ(row.White, c.CurrentHeader.White) << p << " game " << i;
            EXPECT_EQ(row.Event, c.CurrentHeader.Event) << p << " game " << i;
        }
    }
    EXPECT_GT(files, 0);
}
