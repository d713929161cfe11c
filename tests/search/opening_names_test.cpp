// The opening names: the table made from the data, and games named by the
// last named position their main line reaches.
#include <gtest/gtest.h>

#include "search/opening_names.h"
#include "search/position_search.h"
#include "support/test_data.h"

void PrintTo(const TOpeningName& n, std::ostream* out) { *out << '"' << n.Eco << ' ' << n.Name << '"'; }

namespace {

TEST(OpeningNames, TableHoldsEveryLine) {
    EXPECT_EQ(OpeningLineCount(), 3807u);
    // Lines that end in one position share it (the first in the data names it).
    EXPECT_GT(OpeningCount(), 3000u);
    EXPECT_LE(OpeningCount(), 3807u);
}

TEST(OpeningNames, GamesTable) {
    const std::string najdorf = "1. e4 c5 2. Nf3 d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6";
    const TOpeningName kNajdorf{"B90", "Sicilian Defense: Najdorf Variation"};
    std::string shuffle;  // 60 plies back to the start position, named on the way
    for (int i = 0; i < kOpeningPlies / 4; ++i) shuffle += "Nf3 Nf6 Ng1 Ng8 ";
    const struct {
        const char* what;
        std::string text;
        TOpeningName expected;
    } cases[] = {
        {"a named line", "[White \"a\"]\n\n" + najdorf + " 1-0", kNajdorf},
        {"moves without tags, comments, glyphs", "1.e4 {x} c5! 2.Nf3 $1 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 *", kNajdorf},
        {"a transposition", "1. c4 e6 2. Nc3 Nf6 3. d4 Bb4 4. Qc2 *", {"E32", "Nimzo-Indian Defense: Classical Variation"}},
        {"a transposition left again", "1. c4 e6 2. Nc3 Nf6 3. d4 Bb4 4. a4 *", {"E20", "Nimzo-Indian Defense"}},
        {"out of the book and on", najdorf + " 6. a4 h6 7. Ra3 Ra7 8. Rh3 Rh7 9. Ra3 Ra8 *", kNajdorf},
        {"a variation: the main line counts", "1. e4 (1. d4 d5) c5 2. Nf3 (2. c3) d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6 *",
         kNajdorf},
        {"no named position", "[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\"]\n\n1. Kd2 Kd7 *", {}},
        {"from a FEN into a named position",
         "[SetUp \"1\"]\n[FEN \"rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5\"]\n\n5. Nc3 a6 *",
         kNajdorf},
        {"a broken move ends the reading", "1. e4 c5 2. Qxh7 d6 3. d4 *", {"B20", "Sicilian Defense"}},
        {"plies past the limit do not count", shuffle + "e4 c5 *", {"A05", "Zukertort Opening"}},
        {"empty text", "", {}},
        {"tags only", "[White \"a\"]\n[Black \"b\"]\n", {}},
        {"a bad FEN: read from the start, as the viewer shows it", "[FEN \"rnbqkbnr/pppp\"]\n\n1. e4 c5 *",
         {"B20", "Sicilian Defense"}},
        {"noise", std::string("\0\xff[[{{((1.", 11), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(OpeningOfGame(c.text), c.expected) << c.what;
}

// The quick reading (plain SAN from the start) names every real game as the
// loader does: the same games with a FEN tag of the start go to the loader.
TEST(OpeningNames, QuickReadingAgreesWithTheLoader) {
    const auto files = testdata::SharedPgnFiles();
    if (files.empty()) GTEST_SKIP() << "no real PGN files in " << testdata::SharedPgnDir();
    const std::string start = "[FEN \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\"]\n";
    int named = 0;
    for (const auto& file : files) {
        const std::string bytes = testdata::ReadFile(file);
        for (const auto& [from, to] : SplitGames(bytes)) {
            const std::string_view game = std::string_view(bytes).substr(from, to - from);
            if (game.find("[FEN") != std::string_view::npos || game.find("[Variant") != std::string_view::npos) continue;
            const TOpeningName quick = OpeningOfGame(game);
            ASSERT_EQ(quick, OpeningOfGame(start + std::string(game))) << file << "\n" << game.substr(0, 2000);
            named += quick.Eco.empty() ? 0 : 1;
        }
    }
    EXPECT_GT(named, 1000);
}

}  // namespace
