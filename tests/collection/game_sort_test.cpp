// The game table's order: folding of text, and on real files every column in
// both directions: the keys read straight from the file give the order the
// list's own header reader gives, text and numbers stand in order, empty
// values last, equal values by game number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "collection/game_list_core.h"
#include "collection/game_sort.h"
#include "collection/text_fold.h"
#include "support/test_data.h"

TEST(GameSort, TextFoldsCaseAndAccents) {
    const std::pair<const char*, const char*> cases[] = {
        {"Karpov", "karpov"}, {"\xC3\x89mile", "emile"}, {"\xC9mile", "emile"} /* Latin-1 */,
        {"\xC3\x84RGER", "arger"}, {"Stra\xC3\x9F" "e", "strasse"}, {"\xEF\xAC\x81scher", "fischer"},
        {"D\xC3\xBCrer", "durer"}, {"", ""}, {"\xD0\x9A\xD0\xB0\xD1\x80\xD0\xBF\xD0\xBE\xD0\xB2", "\xD0\xBA\xD0\xB0\xD1\x80\xD0\xBF\xD0\xBE\xD0\xB2"}};
    for (const auto& [in, out] : cases) EXPECT_EQ(FoldForSort(in), out) << in;
    TGameColumn c{};
    for (const char* name : {"white elo", "WhiteElo", "WHITE-ELO"}) {
        ASSERT_TRUE(GameColumnFromName(name, c)) << name;
        EXPECT_EQ(c, TGameColumn::WhiteElo);
    }
    EXPECT_TRUE(GameColumnFromName("opening", c) && c == TGameColumn::Opening);
    EXPECT_FALSE(GameColumnFromName("Openings", c));
}

// Numbers by signed value (0 is one), rounds in natural order; missing and
// "?" values last, in game order.
TEST(GameSort, NumbersAndRoundsByValue) {
    struct Case {
        TGameColumn column;
        const char* tag;
        std::vector<std::string> values;  // one game each; "" for no tag
        const char* order;                // the values in table order
    } cases[] = {
        {TGameColumn::Round, "Round", {"2", "1.10", "?", "1.2", "", "1.1", "Final", "10", "9.5"},
         "1.1 1.2 1.10 2 9.5 10 Final ? "},
        {TGameColumn::WhiteElo, "WhiteElo", {"2700", "-5", "", "0", "100"}, "-5 0 100 2700 "},
        {TGameColumn::Moves, "PlyCount", {"100", "-1", "5", "x"}, "-1 5 100 x"},
    };
    for (const Case& c : cases) {
        TSortKeys keys(c.column);
        std::vector<std::int32_t> games;
        for (const std::string& v : c.values) {
            TGameHeader h;
            if (!v.empty()) ParseTagLine(h, "[" + std::string(c.tag) + " \"" + v + "\"]");
            keys.Add(h, static_cast<std::int32_t>(games.size()));
            games.push_back(static_cast<std::int32_t>(games.size()));
        }
        std::string order;
        for (std::int32_t p : SortedPositions(games, keys, false))
            order += (order.empty() ? "" : " ") + c.values[static_cast<std::size_t>(p)];
        EXPECT_EQ(order, c.order) << c.tag;
    }
}

TEST(GameSort, RealFilesInEveryColumnBothWays) {
    const auto files = testdata::SharedPgnFiles();
    if (files.empty()) GTEST_SKIP() << "no real PGN files in " << testdata::SharedPgnDir();
    // The Opening column's cells stand for what the names see: the game text
    // the column reads, both through the file's keys and through the list.
    SetOpeningNamer([](std::string_view text) { return std::string(text.substr(text.rfind("]\n") + 1, 40)); });
    int checked = 0;
    for (const auto& file : files) {
        TGameListCore list;
        std::string error;
        if (!list.OpenForReading(file.string(), error) || list.GameCount() < 2) continue;
        std::vector<std::int32_t> games;
        for (std::int32_t g = 0; g < list.GameCount(); ++g) games.push_back(g);
        const TSortSource source = SortSourceOf(list, games);
        for (int ci = 0; ci < kGameColumnCount; ++ci) {
            const auto column = static_cast<TGameColumn>(ci);
            TSortKeys byList(column);
            ReadListSortKeys(list, source, 0, games.size(), byList);
            TSortKeys inStretches(column);  // read by three threads, each its own stretch
            ReadFileSortKeys(source, inStretches, {}, 3);
            EXPECT_EQ(SortedPositions(games, inStretches, false), SortedPositions(games, byList, false));
            for (bool descending : {false, true}) {
                SCOPED_TRACE(file.filename().string() + " " + std::string(GameColumnName(column)) +
                             (descending ? " descending" : ""));
                const std::vector<std::int32_t> order = SortListGames(list, column, descending);
                ASSERT_EQ(order.size(), games.size());
                std::vector<std::int32_t> expected = SortedPositions(games, byList, descending);
                ASSERT_EQ(order, expected) << "the file's keys and the list's header reader agree";
                std::vector<std::int32_t> sorted = order;
                std::sort(sorted.begin(), sorted.end());
                EXPECT_EQ(sorted, games);
                // The cells as the table shows them stand in order.
                bool emptySeen = false;
                std::string before;
                std::int32_t beforeGame = -1;
                for (std::int32_t g : order) {
                    list.LoadRowHeader(g);
                    const std::string cell = column == TGameColumn::Opening ? OpeningCellOfGame(list, g)
                                                                            : GameCellText(list.CurrentHeader, column, g);
                    const std::string key = IsNumericColumn(column)           ? cell
                                             : column == TGameColumn::Round ? NaturalSortText(cell)
                                                                            : FoldForSort(cell);
                    if (key.empty()) {
                        if (emptySeen) {
                            EXPECT_GT(g, beforeGame) << "empty values by game number";
                        }
                        emptySeen = true;
                    } else {
                        ASSERT_FALSE(emptySeen) << "a value after the empty ones";
                        if (beforeGame >= 0 && column != TGameColumn::Date) {
                            const bool numeric = IsNumericColumn(column);
                            const long long a = numeric ? std::atoll(before.c_str()) : 0;
                            const long long b = numeric ? std::atoll(key.c_str()) : 0;
                            const int c = numeric ? (a < b ? -1 : a > b) : before.compare(key) < 0 ? -1 : before != key;
                            if (c != 0) {
                                EXPECT_EQ(c < 0, !descending) << before << " / " << key;
                            } else {
                                EXPECT_GT(g, beforeGame) << "equal values by game number";
                            }
                        }
                    }
                    before = key;
                    beforeGame = g;
                }
            }
        }
        ++checked;
    }
    SetOpeningNamer(nullptr);
    EXPECT_GT(checked, 5);
}
