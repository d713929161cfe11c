// The filter's criteria against a small file with known answers.
#include <gtest/gtest.h>

#include "search/game_filter.h"

namespace {

// Game numbers (from 1) in comments.
const char* const kGames =
    // 1: accented names, full date, ECO at the lower bound
    "[White \"M\xC3\xBCller, J\xC3\xA9r\xC3\xB4me\"]\n[Black \"Smith\"]\n[Date \"1995.03.04\"]\n[Result \"1-0\"]\n"
    "[WhiteElo \"2500\"]\n[BlackElo \"2450\"]\n[ECO \"A00\"]\n\n1. e4 e5 2. Nf3 1-0\n\n"
    // 2: Latin-1 name, partial date, no Elo, ECO at the upper bound
    "[White \"Smith\"]\n[Black \"M\xFC" "ller\"]\n[Date \"1999.??.??\"]\n[Result \"0-1\"]\n[ECO \"E99\"]\n\n"
    "1. d4 d5 0-1\n\n"
    // 3: no date, no ECO, no Black
    "[White \"Carlsen\"]\n[Result \"1/2-1/2\"]\n[WhiteElo \"2850\"]\n[BlackElo \"2800\"]\n\n1. c4 1/2-1/2\n\n"
    // 4: game 1 again: other text, the same moves, names in other case
    "[White \"MULLER, JEROME\"]\n[Black \"smith\"]\n[Date \"2001.01.01\"]\n[Result \"1-0\"]\n[ECO \"b20\"]\n\n"
    "1.e4 {a comment} e5 (1... c5) 2.Nf3 1-0\n\n"
    // 5: game 1's names and moves, another result
    "[White \"M\xC3\xBCller, J\xC3\xA9r\xC3\xB4me\"]\n[Black \"Smith\"]\n[Result \"0-1\"]\n\n1. e4 e5 2. Nf3 0-1\n";

struct TCase {
    const char* name;
    TFilterCriteria criteria;
    std::vector<int> games;
};

TFilterCriteria With(void (*set)(TFilterCriteria&)) {
    TFilterCriteria c;
    set(c);
    return c;
}

std::vector<int> Passing(const TFilterCriteria& criteria) {
    TGameFilter filter(criteria);
    TDuplicateSet seen;
    std::vector<int> out;
    const std::string_view bytes(kGames);
    int number = 0;
    for (const auto& [from, to] : SplitGames(bytes)) {
        TSearchHit hit;
        ++number;
        if (filter.Passes(bytes.substr(from, to - from), hit) && !(criteria.NoDuplicates && seen.Seen(hit.Key)))
            out.push_back(number);
    }
    return out;
}

TEST(GameFilter, CriteriaTable) {
    const TCase cases[] = {
        {"no criteria", {}, {1, 2, 3, 4, 5}},
        {"white folded: case and accents", With([](TFilterCriteria& c) { c.White = "muller"; }), {1, 4, 5}},
        {"black Latin-1 matched by UTF-8", With([](TFilterCriteria& c) { c.Black = "M\xC3\x9CLLER"; }), {2}},
        {"player either side", With([](TFilterCriteria& c) { c.Player = "müll"; }), {1, 2, 4, 5}},
        {"player as Black", With([](TFilterCriteria& c) {
             c.Player = "muller";
             c.PlayerSide = TPlayerSide::Black;
         }), {2}},
        {"missing Elo fails", With([](TFilterCriteria& c) { c.EloMin = 2400; }), {1, 3}},
        {"both Elos count", With([](TFilterCriteria& c) { c.EloMin = 2460; }), {3}},
        {"partial date, missing date", With([](TFilterCriteria& c) { c.YearFrom = 1990, c.YearTo = 1999; }), {1, 2}},
        {"open year range", With([](TFilterCriteria& c) { c.YearFrom = 1999; }), {2, 4}},
        {"result", With([](TFilterCriteria& c) { c.Result = "1/2-1/2"; }), {3}},
        {"ECO bounds inclusive", With([](TFilterCriteria& c) { c.EcoFrom = "A00", c.EcoTo = "E99"; }), {1, 2, 4}},
        {"ECO lower case read", With([](TFilterCriteria& c) { c.EcoFrom = c.EcoTo = "B20"; }), {4}},
        {"opening folded, a variation left out", With([](TFilterCriteria& c) { c.Opening = "KING'S KNIGHT"; }),
         {1, 4, 5}},
        {"opening by its code", With([](TFilterCriteria& c) { c.Opening = "d00"; }), {2}},
        {"opening nowhere", With([](TFilterCriteria& c) { c.Opening = "sicilian"; }), {}},
        {"moves of the main line", With([](TFilterCriteria& c) { c.MovesMin = 2, c.MovesMax = 2; }), {1, 4, 5}},
        {"duplicates by moves, not text", With([](TFilterCriteria& c) { c.NoDuplicates = true; }), {1, 2, 3, 5}},
        {"criteria combine", With([](TFilterCriteria& c) { c.White = "smith", c.Result = "0-1"; }), {2}},
    };
    for (const TCase& c : cases) EXPECT_EQ(Passing(c.criteria), c.games) << c.name;
}

TEST(GameFilter, ParsesRanges) {
    int from = 0, to = 0;
    std::string a, b;
    EXPECT_TRUE(ParseYearRange("1990-1999", from, to) && from == 1990 && to == 1999);
    EXPECT_TRUE(ParseYearRange("-1999", from, to) && from == 0 && to == 1999);
    EXPECT_FALSE(ParseYearRange("1999-1990", from, to));
    EXPECT_TRUE(ParseEcoRange("b20-b99", a, b) && a == "B20" && b == "B99");
    EXPECT_FALSE(ParseEcoRange("F00", a, b));
    EXPECT_TRUE(ParseResult("1/2", a) && a == "1/2-1/2");
}

}  // namespace
