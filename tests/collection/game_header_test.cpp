#include <gtest/gtest.h>

#include "collection/game_header.h"
#include "collection/game_text.h"
#include "collection/row_texts.h"

namespace {

TGameHeader Parsed(std::initializer_list<const char*> lines, TStringList* other = nullptr) {
    TGameHeader h;
    h.OtherTags = other;
    ClearEventData(h);
    for (const char* l : lines) ParseTagLine(h, l);
    return h;
}

}  // namespace

TEST(EventData, ClearRestoresDefaultsButKeepsDeleted) {
    TStringList other;
    TGameHeader h;
    h.OtherTags = &other;
    h.White = "x";
    h.Result = "1-0";
    h.Year = 5;
    h.MetaKeywords = "k";
    h.Movetext = "1. e4";
    h.Deleted = true;
    other.Add("[Opening \"x\"]");
    ClearEventData(h);
    EXPECT_EQ(h.White, "N.N.");
    EXPECT_EQ(h.Black, "N.N.");
    EXPECT_EQ(h.Result, "*");
    EXPECT_EQ(h.Year, 0);
    EXPECT_TRUE(h.MetaKeywords.empty());
    EXPECT_TRUE(h.Movetext.empty());
    EXPECT_TRUE(h.Deleted);
    EXPECT_EQ(other.Count(), 0u);
    EXPECT_EQ(h.OtherTags, &other);
}

TEST(EventData, TagValueTakesTheFirstQuotedText) {
    EXPECT_EQ(TagValue("[White \"Kasparov, G\"]"), "Kasparov, G");
    EXPECT_EQ(TagValue("[White \"open"), "open");
    EXPECT_EQ(TagValue("[White nothing]"), "");
    EXPECT_EQ(TagValue("[Event \"say \\\"hi\\\"\"]"), "say \"hi\"");
    EXPECT_EQ(TagValue("[A \"1\"] [B \"2\"]"), "1");
    // Quotes left unescaped: the value runs to the last one before "]".
    EXPECT_EQ(TagValue("[Event \"LA CC Handicap Tour \"C\"\"]"), "LA CC Handicap Tour \"C\"");
}

TEST(EventData, QuestionMarkNamesAreEmptyMissingNamesStayNN) {
    TGameHeader h = Parsed({"[White \"?\"]", "[Event \"?\"]", "[Site \"?\"]"});
    EXPECT_EQ(h.White, "");
    EXPECT_EQ(h.Black, "N.N.");
    EXPECT_EQ(h.Event, "");
    EXPECT_EQ(h.Site, "");
    // Result and ECO keep a question mark as written.
    h = Parsed({"[Result \"?\"]", "[ECO \"?\"]"});
    EXPECT_EQ(h.Result, "?");
    EXPECT_EQ(h.ECO, "?");
}

TEST(EventData, DateParts) {
    TGameHeader h = Parsed({"[Date \"1997.05.11\"]"});
    EXPECT_EQ(h.Year, 1997);
    EXPECT_EQ(h.Month, 5);
    EXPECT_EQ(h.Day, 11);
    h = Parsed({"[Date \"1997.??.??\"]"});
    EXPECT_EQ(h.Year, 1997);
    EXPECT_EQ(h.Month, 0);
    EXPECT_EQ(h.Day, 0);
    h = Parsed({"[Date \"????.??.??\"]"});
    EXPECT_EQ(h.Year + h.Month + h.Day, 0);
    h = Parsed({"[Date \"2001.3\"]"});
    EXPECT_EQ(h.Year, 2001);
    EXPECT_EQ(h.Month, 3);
    EXPECT_EQ(h.Day, 0);
    h = Parsed({"[EventDate \"2010.12.01\"]", "[Date \"2011.01.02\"]"});
    EXPECT_EQ(h.EventYear, 2010);
    EXPECT_EQ(h.EventMonth, 12);
    EXPECT_EQ(h.EventDay, 1);
    EXPECT_EQ(h.Year, 2011);
}

TEST(EventData, NumbersPlyCountRoundElo) {
    EXPECT_EQ(Parsed({"[PlyCount \"81\"]"}).PlyCount, 81);
    EXPECT_EQ(FullMoves(Parsed({"[PlyCount \"104\"]"}).PlyCount), 52);
    EXPECT_EQ(FullMoves(Parsed({"[PlyCount \"105\"]"}).PlyCount), 53);
    EXPECT_EQ(Parsed({"[PlyCount \"0\"]"}).PlyCount, 0);
    EXPECT_EQ(Parsed({"[PlyCount \"-1\"]"}).PlyCount, -1);
    EXPECT_EQ(Parsed({}).PlyCount, kNoNumber);
    // Without the tag the list counts the main line's plies from the text.
    const std::pair<const char*, int> counted[] = {
        {"[Event \"x\"]\n\n1. e4 e5 2. Nf3 {a (b) c} Nc6 (2... d6 3. d4) 3.Bb5 $1 a6 1-0", 6},
        {"[FEN \"...\"]\n\n23... Kf7 24. Rd1 ; Kf8 is worse\nKe6 *", 3},
        {"1. O-O 0-0 2. -- e8=Q+ 1/2-1/2", 4},
        {"[Event \"x\"]\n\n*", 0},
    };
    for (const auto& [text, plies] : counted) EXPECT_EQ(CountMainLinePlies(text), plies) << text;
    EXPECT_EQ(Parsed({"[Round \"3.1\"]"}).Round, "3.1");
    EXPECT_EQ(Parsed({"[Round \"?\"]"}).Round, "?");
    EXPECT_EQ(Parsed({"[Round \"12\"]"}).Round, "12");
    EXPECT_EQ(Parsed({"[WhiteElo \" 2700\"]"}).WhiteElo, 2700);
    EXPECT_EQ(Parsed({"[BlackElo \"2700 \"]"}).BlackElo, kNoNumber);
    EXPECT_EQ(Parsed({"[BlackElo \"-1\"]"}).BlackElo, -1);
    EXPECT_EQ(Parsed({"[WhiteElo \"65537\"]"}).WhiteElo, 65537);
    EXPECT_EQ(Parsed({"[WhiteElo \"0\"]"}).WhiteElo, 0);
    EXPECT_EQ(Parsed({"[WhiteElo \"99999999999999999999\"]"}).WhiteElo, kNoNumber);
    EXPECT_EQ(Parsed({"[WhiteElo \"\"]"}).WhiteElo, kNoNumber);
    EXPECT_EQ(Parsed({"[WhiteElo \"+\"]"}).WhiteElo, kNoNumber);
}

TEST(EventData, TimeControl) {
    TGameHeader h = Parsed({"[TimeControl \"300+5\"]"});
    EXPECT_EQ(h.TimeControlBase, 300);
    EXPECT_EQ(h.TimeControlIncrement, 5);
    h = Parsed({"[TimeControl \" 60 + 2 \"]"});
    EXPECT_EQ(h.TimeControlBase, 60);
    EXPECT_EQ(h.TimeControlIncrement, 2);
    h = Parsed({"[TimeControl \"40/7200\"]"});
    EXPECT_EQ(h.TimeControlBase, 0);
    EXPECT_EQ(h.TimeControlIncrement, 0);
}

TEST(EventData, ConcatenatedTagsAndOtherTags) {
    TStringList other;
    TGameHeader h = Parsed({"[MetaKeywords \"a\"]", "[MetaKeywords \"b\"]", "[MetaDescription \"d\"]",
                           "[WhiteClubID \"w\"]", "[BlackClubID \"x\"]", "[BlackClubID \"y\"]",
                           "[Opening \"Sicilian\"]", "[SetUp \"1\"]", "[Eventx \"no\"]", "[Event\"tight\"]"},
                          &other);
    EXPECT_EQ(h.MetaKeywords, "ab");
    EXPECT_EQ(h.MetaDescription, "d");
    EXPECT_EQ(h.WhiteClubID, "w");
    EXPECT_EQ(h.BlackClubID, "xy");
    ASSERT_EQ(other.Count(), 3u);
    EXPECT_EQ(other[0], "[Opening \"Sicilian\"]");
    EXPECT_EQ(other[1], "[Eventx \"no\"]");
    EXPECT_EQ(other[2], "[Event\"tight\"]");
    EXPECT_EQ(h.Event, "");
}

TEST(EventData, TagNamesIgnoreCaseAndNeedTheBlank) {
    TGameHeader h = Parsed({"[event \"Open\"]", "[EVENTDATE \"1999.01.01\"]", "[whiteelo \"2000\"]",
                           "[fen \"8/8/8/8/8/8/8/K6k w - - 0 1\"]", "[ANNOTATOR \"me\"]",
                           "[WhiteDifferenceToGMT \"+1\"]", "[blackdifferencetogmt \"-2\"]",
                           "[DateTimeFormat \"x\"]", "[GameId \"g7\"]", "[Result \"1-0\"]", "[ECO \"B90\"]"});
    EXPECT_EQ(h.Event, "Open");
    EXPECT_EQ(h.EventYear, 1999);
    EXPECT_EQ(h.WhiteElo, 2000);
    EXPECT_EQ(h.White, "N.N.");
    EXPECT_EQ(h.FEN, "8/8/8/8/8/8/8/K6k w - - 0 1");
    EXPECT_EQ(h.Annotator, "me");
    EXPECT_EQ(h.WhiteDifferenceToGMT, "+1");
    EXPECT_EQ(h.BlackDifferenceToGMT, "-2");
    EXPECT_EQ(h.DateTimeFormat, "x");
    EXPECT_EQ(h.GameId, "g7");
    EXPECT_EQ(h.Result, "1-0");
    EXPECT_EQ(h.ECO, "B90");
}

TEST(EventData, SortedListKeepsTextOrderWithoutDuplicates) {
    TStringList l;
    l.Sorted = true;
    l.Add("[b \"1\"]");
    l.Add("[A \"1\"]");
    l.Add("[B \"1\"]");
    l.Add("[a \"1\"]");
    ASSERT_EQ(l.Count(), 2u);
    EXPECT_EQ(l[0], "[A \"1\"]");
    EXPECT_EQ(l[1], "[b \"1\"]");
    // Lines added after a read join the order; the line held first stays.
    l.Add("[0 \"z\"]");
    l.Add("[B \"1\"]");
    l.Add("[c \"1\"]");
    ASSERT_EQ(l.Count(), 4u);
    EXPECT_EQ(l.Lines(), (std::vector<std::string>{"[0 \"z\"]", "[A \"1\"]", "[b \"1\"]", "[c \"1\"]"}));
    l.Clear();
    EXPECT_EQ(l.Count(), 0u);
}

TEST(EventData, SortedListOfManyTagsInRandomOrderStaysFast) {
    // A hostile header of a quarter million tag lines in no order: one sort,
    // not an insertion per line into a growing array.
    TStringList l;
    l.Sorted = true;
    std::uint32_t x = 12345;
    for (int i = 0; i < 250000; ++i) {
        x = x * 1103515245u + 12345u;
        l.Add("[T" + std::to_string(x % 100000) + " \"v\"]");
    }
    const std::vector<std::string>& lines = l.Lines();
    ASSERT_LE(lines.size(), 100000u);
    ASSERT_GT(lines.size(), 90000u);
    for (std::size_t i = 1; i < lines.size(); ++i) ASSERT_LT(lines[i - 1], lines[i]) << i;
}

TEST(EventData, HeaderFromText) {
    TStringList other;
    TGameHeader h;
    h.OtherTags = &other;
    HeaderFromText(h, "[Event \"E\"]\r\n  [White \"W\"]  \r\n[Opening \"O\"]\r\n\r\n1. e4 e5\r\n2. Nf3 *");
    EXPECT_EQ(h.Event, "E");
    EXPECT_EQ(h.White, "W");
    EXPECT_EQ(other.Count(), 1u);
    EXPECT_EQ(h.Movetext, "1. e4 e5\r\n2. Nf3 *\r\n");

    // Movetext right after the tags loses its first line; CR-only and LF line ends split too.
    HeaderFromText(h, "[Event \"E\"]\r1. e4\n2. d4\r3. c4");
    EXPECT_EQ(h.Movetext, "2. d4\r\n3. c4\r\n");

    // Blanks between the tokens of a tag, a byte order mark before it.
    HeaderFromText(h, "[ Event \"E\" ]\n[Site\t\"S\"]\n\xEF\xBB\xBF[White \"W\"]\n\n*");
    EXPECT_EQ(h.Event + h.Site + h.White, "ESW");

    HeaderFromText(h, "");
    EXPECT_EQ(h.White, "Error");
    EXPECT_EQ(h.Black, "...");

    HeaderFromText(h, "[White \"A\"]\n\n1. e4", false);
    EXPECT_EQ(h.White, "A");
    EXPECT_TRUE(h.Movetext.empty());
}

// The movetext written over the game's own text is the one appended to
// another string (but a last blank the text has no room for), with and
// without comments; a ";" comment, which makes it longer, is left alone.
TEST(GameText, MoveTextInPlaceAsAppended) {
    for (const char* game : {"[Event \"x\"]\n[Site \"y\"]\n\n1. e4 {a\nb} e5 *\n",
                             "[Event \"x\"] 1. e4\n[Site \"y\"] {c} e5\n\n2. Nf3 *",
                             "[A \"1\"][B \"2\"] 1. e4\n[C \"3\"]d4",
                             "1. e4 e5\r\n% escape {\r\n2. Nf3 {c\r\nd} *", "1. e4 {open"}) {
        for (bool comments : {true, false}) {
            SCOPED_TRACE(std::string(game) + (comments ? " with comments" : ""));
            std::string appended, text = game;
            TTag tag;
            TGameTextLines copied(text), inPlace(text);
            while (copied.NextTag(tag)) {}
            while (inPlace.NextTag(tag)) {}
            copied.AppendMoveText(appended, comments);
            ASSERT_TRUE(inPlace.MoveTextInPlace(text, comments));
            EXPECT_EQ(text, appended.substr(0, text.size()));
            EXPECT_LE(appended.size() - text.size(), 1u);
        }
    }
    std::string text = "1. e4 ; a note\ne5";
    TGameTextLines lines(text);
    EXPECT_FALSE(lines.MoveTextInPlace(text));
    EXPECT_EQ(text, "1. e4 ; a note\ne5");
}
