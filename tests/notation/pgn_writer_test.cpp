#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout_test_support.h"
#include "notation/pgn_writer.h"
#include "rules/fen.h"

using layouttest::TLaidOut;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        EXPECT_NE(lf, std::string::npos) << "every line ends with LF";
        if (lf == std::string::npos) break;
        lines.push_back(text.substr(start, lf - start));
        EXPECT_EQ(lines.back().find('\r'), std::string::npos) << "LF line ends, no CR";
        start = lf + 1;
    }
    return lines;
}

std::string Written(TLaidOut& g) {
    std::string text;
    EXPECT_EQ(WritePGN(g.core, false, text, false), 0);
    return text;
}

// The movetext lines (after the empty line).
std::vector<std::string> Movetext(TLaidOut& g) {
    std::vector<std::string> lines = Lines(Written(g));
    size_t i = 0;
    while (i < lines.size() && !lines[i].empty()) ++i;
    return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(i + 1, lines.size())), lines.end());
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += (s.empty() ? "" : "\n") + l;
    return s;
}

TEST(PgnWriterTags, SevenLinesForAnEmptyHeader) {
    TGameHeader h;
    h.White.clear();
    h.Black.clear();
    h.Result.clear();
    std::vector<std::string> lines = PGNTagLines(h, InitialPosition, FreshState(), 1);
    std::vector<std::string> expected{"[Event \"?\"]", "[Site \"?\"]",  "[Date \"????.??.??\"]", "[Round \"-\"]",
                                      "[White \"?\"]", "[Black \"?\"]", "[Result \"\"]"};
    EXPECT_EQ(lines, expected);
}

TEST(PgnWriterTags, DatesAndEventDates) {
    EXPECT_EQ(PGNDateValue(1999, 3, 0), "1999.03.??");
    EXPECT_EQ(PGNDateValue(0, 0, 0), "????.??.??");
    EXPECT_EQ(PGNDateValue(2024, 12, 5), "2024.12.05");
    TGameHeader h;
    h.Year = 1999;
    h.Month = 3;
    h.Day = 17;
    h.EventDay = 5;
    std::vector<std::string> lines = PGNTagLines(h, InitialPosition, FreshState(), 1);
    EXPECT_EQ(lines[2], "[Date \"1999.03.17\"]");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[EventDate \"????.??.05\"]"), lines.end());
    h.EventDay = 0;
    lines = PGNTagLines(h, InitialPosition, FreshState(), 1);
    for (const auto& l : lines) EXPECT_EQ(l.find("EventDate"), std::string::npos);
}

TEST(PgnWriterTags, OptionalTagsInTheirOrder) {
    TStringList other;
    other.Sorted = true;
    other.Add("[Opening \"Sicilian\"]");
    other.Add("[Annotation \"x\"]");
    TGameHeader h;
    h.OtherTags = &other;
    h.Event = "Open";
    h.Round = "1.12";
    h.Annotator = "Me";
    h.WhiteElo = 2500;
    h.BlackElo = 2400;
    h.ECO = "B20";
    h.EventYear = 2001;
    h.TimeControlBase = 300;
    h.TimeControlIncrement = 5;
    h.MetaKeywords = "k";
    h.MetaDescription = "d";
    std::vector<std::string> lines = PGNTagLines(h, InitialPosition, FreshState(), 1);
    std::vector<std::string> expected{"[Event \"Open\"]",
                                      "[Site \"?\"]",
                                      "[Date \"????.??.??\"]",
                                      "[Round \"1.12\"]",
                                      "[White \"N.N.\"]",
                                      "[Black \"N.N.\"]",
                                      "[Result \"*\"]",
                                      "[Annotator \"Me\"]",
                                      "[BlackElo \"2400\"]",
                                      "[ECO \"B20\"]",
                                      "[EventDate \"2001.??.??\"]",
                                      "[TimeControl \"300+5\"]",
                                      "[WhiteElo \"2500\"]",
                                      "[MetaKeywords \"k\"]",
                                      "[MetaDescription \"d\"]",
                                      "[Annotation \"x\"]",
                                      "[Opening \"Sicilian\"]"};
    EXPECT_EQ(lines, expected);
}

TEST(PgnWriterTags, FenAndSetUpOnlyForOtherStarts) {
    TGameHeader h;
    auto hasFen = [&](const TBoard& b, const TMoveRecord& s) {
        for (const auto& l : PGNTagLines(h, b, s, 1))
            if (l.rfind("[FEN ", 0) == 0) return true;
        return false;
    };
    TMoveRecord state = FreshState();
    EXPECT_FALSE(hasFen(InitialPosition, state));
    state.Side = Black;
    EXPECT_TRUE(hasFen(InitialPosition, state));
    TBoard board = InitialPosition;
    board[35] = 0;  // e2 empty
    EXPECT_TRUE(hasFen(board, FreshState()));
    std::vector<std::string> lines = PGNTagLines(h, InitialPosition, state, 7);
    auto fen = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("[FEN ", 0) == 0; });
    ASSERT_NE(fen, lines.end());
    EXPECT_EQ(*fen, "[FEN \"" + PositionToFEN(InitialPosition, state, 7) + "\"]");
    EXPECT_EQ(*(fen + 1), "[SetUp \"1\"]");
}

TEST(PgnWriterTags, MetaKeywordsCutIntoPiecesOf150) {
    TGameHeader h;
    h.MetaKeywords = std::string(150, 'a') + std::string(150, 'b') + std::string(20, 'c');
    std::vector<std::string> lines = PGNTagLines(h, InitialPosition, FreshState(), 1);
    std::vector<std::string> meta;
    for (const auto& l : lines)
        if (l.rfind("[MetaKeywords ", 0) == 0) meta.push_back(l);
    ASSERT_EQ(meta.size(), 3u);
    EXPECT_EQ(meta[0], "[MetaKeywords \"" + std::string(150, 'a') + "\"]");
    EXPECT_EQ(meta[1], "[MetaKeywords \"" + std::string(150, 'b') + "\"]");
    EXPECT_EQ(meta[2], "[MetaKeywords \"" + std::string(20, 'c') + "\"]");
}

TEST(PgnWriterTags, LongValuesAreCutBetweenCharacters) {
    const std::string e = "\xC3\xA9";  // e with an acute accent in UTF-8
    TGameHeader h;
    for (int i = 0; i < 160; ++i) h.MetaDescription += e;
    std::vector<std::string> meta;
    for (const auto& l : PGNTagLines(h, InitialPosition, FreshState(), 1))
        if (l.rfind("[MetaDescription ", 0) == 0) meta.push_back(l);
    ASSERT_EQ(meta.size(), 2u);
    std::string first, second;
    for (int i = 0; i < 150; ++i) first += e;
    for (int i = 0; i < 10; ++i) second += e;
    EXPECT_EQ(meta[0], "[MetaDescription \"" + first + "\"]");
    EXPECT_EQ(meta[1], "[MetaDescription \"" + second + "\"]");

    // Bytes that are not UTF-8 (Latin-1, say) are one character each.
    TGameHeader latin;
    latin.MetaKeywords = std::string(320, '\xE9');
    meta.clear();
    for (const auto& l : PGNTagLines(latin, InitialPosition, FreshState(), 1))
        if (l.rfind("[MetaKeywords ", 0) == 0) meta.push_back(l);
    ASSERT_EQ(meta.size(), 3u);
    EXPECT_EQ(meta[0], "[MetaKeywords \"" + std::string(150, '\xE9') + "\"]");
    EXPECT_EQ(meta[2], "[MetaKeywords \"" + std::string(20, '\xE9') + "\"]");
}

// A copy keeps the file's tags as written: values the header record cannot
// hold, tags it does not keep, and the file's order after the seven
// required ones (a missing one from the header record).
TEST(PgnWriter, ACopyKeepsEveryTagAsWritten) {
    for (const char* tag : {"[Round \"1.1\"]", "[TimeControl \"40/7200:3600\"]", "[PlyCount \"61\"]",
                            "[Date \"1895\"]", "[Site \"Site with \\\"quotes\\\"\"]", "[EventDate \"1916.??.??\"]",
                            "[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 0 0\"]", "[Variant \"Standard\"]"}) {
        TLaidOut g;
        g.Load("*", {tag});
        EXPECT_NE(Written(g).find(std::string(tag) + "\n"), std::string::npos) << tag;
    }
    TLaidOut g;
    g.Load("1. e4 *", {"[White \"W\"]", "[ECO \"A00\"]", "[Event \"E\"]", "[Annotator \"A\"]", "[Result \"*\"]"});
    std::vector<std::string> lines = Lines(Written(g));
    lines.resize(9);
    EXPECT_EQ(lines, (std::vector<std::string>{"[Event \"E\"]", "[Site \"?\"]", "[Date \"????.??.??\"]", "[Round \"-\"]",
                                               "[White \"W\"]", "[Black \"N.N.\"]", "[Result \"*\"]", "[ECO \"A00\"]",
                                               "[Annotator \"A\"]"}));
    // A database game has no tag text: its tags come from its record.
    g.core.TagsFromRecord = true;
    lines = Lines(Written(g));
    EXPECT_EQ(lines[7], "[Annotator \"A\"]");
}

TEST(PgnWriter, ACommentThatOpensAVariationStaysInIt) {
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 ( { The odd } 2. f4 exf4) (2. Bc4 {quiet}) Nc6 *");
    EXPECT_NE(g.Text().find("[{The odd} 2.f4 exf4]"), std::string::npos) << g.Text();
    EXPECT_EQ(Joined(Movetext(g)), "1.e4 e5 2.Nf3 ({The odd} 2.f4 exf4) (2.Bc4 {quiet}) 2...Nc6   *");
    // Black's move after a comment is numbered too, and reads back the same.
    TLaidOut c;
    c.Load("1. e4 {best} e5 2. Nf3 {[%clk 1:00:00]} Nc6 *");
    const std::string written = Joined(Movetext(c));
    EXPECT_EQ(written, "1.e4 {best} 1...e5 2.Nf3 {[%clk 1:00:00]} 2...Nc6   *");
    TLaidOut again;
    again.Load(written);
    EXPECT_EQ(Joined(Movetext(again)), written);
}

TEST(PgnWriter, TagsOnlyGivesTheTagLinesAndMinusOne) {
    TLaidOut g;
    g.Load("1. e4 *");
    std::string text;
    EXPECT_EQ(WritePGN(g.core, false, text, true), -1);
    EXPECT_EQ(text.substr(0, 16), "[Event \"test\"]\n[");
    EXPECT_EQ(text.find("e4"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

TEST(PgnWriter, WholeGameTextForm) {
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 (2. f4) 2... Nc6 1-0", {"[Result \"1-0\"]"});
    std::string text = Written(g);
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[8], "1.e4 e5 2.Nf3 (2.f4) 2...Nc6   1-0");
    // A game without moves: its movetext is the result alone, no blank before it.
    TLaidOut empty;
    empty.Load("0-1", {"[Result \"0-1\"]"});
    EXPECT_EQ(Lines(Written(empty)).back(), "0-1");
}

TEST(PgnWriter, GlyphsAndSignsComeBackAsNumbers) {
    TLaidOut g;
    g.Load("1. e4 $5 e5 $1 2. Nf3 $3 Nc6 $2 3. Bb5 $4 a6 $6 4. Ba4 $146 Nf6 $14 5. O-O $140 *");
    EXPECT_EQ(Joined(Movetext(g)),
              "1.e4 $5 e5 $1 2.Nf3 $3 Nc6 $2 3.Bb5 $4 a6 $6 4.Ba4 $146 Nf6 $14 5.O-O $140   *");
}

TEST(PgnWriter, EveryPositionGlyphRoundTrips) {
    // The glyphs the move record has a place for, and those kept beside it
    // (once lost when read: "7. Qxe4 $10" came back as "7.Qxe4").
    for (int nag : {22, 8, 18, 16, 14, 11, 13, 15, 17, 19, 44, 132, 36, 40, 138, 32, 146, 140, 142, 7, 10, 12, 20,
                    21, 0, 9, 45, 255}) {
        TLaidOut g;
        g.Load("1. e4 $" + std::to_string(nag) + " *");
        EXPECT_EQ(Joined(Movetext(g)), "1.e4 $" + std::to_string(nag) + "   *") << nag;
    }
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 $7 $10 $7 $1 (2. f4 $20 $300) Nc6 $21 $16 $146 *");
    EXPECT_EQ(Joined(Movetext(g)), "1.e4 e5 2.Nf3 $1 $7 $10 (2.f4 $20) 2...Nc6 $146 $21   *");  // $146 replaces $16
}

TEST(PgnWriter, GermanNotationIsWrittenInEnglish) {
    TLaidOut g(false);
    g.Load("1. Nf3 d5 2. g3 Bg4 3. Bg2 Qd7 4. O-O Nc6 5. Re1 {Der Turm} *");
    EXPECT_EQ(g.Text().substr(0, 5), "1.Sf3");
    EXPECT_EQ(Joined(Movetext(g)), "1.Nf3 d5 2.g3 Bg4 3.Bg2 Qd7 4.O-O Nc6 5.Re1 {Der Turm}   *");
    // The display is German again afterwards.
    EXPECT_EQ(g.Text().substr(0, 5), "1.Sf3");
}

TEST(PgnWriter, MarksBeforeAndAfter) {
    TLaidOut g;
    g.Load("1. e4 $998 $999 e5 $999 2. Nf3 $998 *");
    EXPECT_EQ(Joined(Movetext(g)), "1.e4 $998 $999 e5 $999 2.Nf3 $998   *");
}

TEST(PgnWriter, VariationsBecomeParentheses) {
    TLaidOut g;
    g.Load("1. e4 (1. d4 d5 (1... Nf6 2. c4 (2. Nf3))) 1... e5 *");
    EXPECT_EQ(Joined(Movetext(g)), "1.e4 (1.d4 d5 (1...Nf6 2.c4 (2.Nf3))) 1...e5   *");
}

TEST(PgnWriter, MovetextLinesBreakAfter71Characters) {
    TLaidOut g;
    g.Load("1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 6. Ng1 Ng8 7. Nf3 Nf6 8. Ng1 Ng8 "
           "9. Nf3 Nf6 10. Ng1 Ng8 11. Nf3 Nf6 12. Ng1 Ng8 13. Nf3 Nf6 14. Ng1 Ng8 *");
    std::vector<std::string> lines = Movetext(g);
    ASSERT_GE(lines.size(), 2u);
    // The first line is cut at the first blank met with 71 characters counted.
    EXPECT_EQ(lines[0], "1.Nf3 Nf6 2.Ng1 Ng8 3.Nf3 Nf6 4.Ng1 Ng8 5.Nf3 Nf6 6.Ng1 Ng8 7.Nf3 Nf6 8.Ng1");
    EXPECT_EQ(lines[1].substr(0, 3), "Ng8");
    for (const auto& l : lines) EXPECT_LE(l.size(), 80u);
}

TEST(PgnWriter, CommentLinesBreakAfter60Characters) {
    std::string words;
    for (int i = 0; i < 30; ++i) words += "word" + std::to_string(i) + "   ";
    std::vector<std::string> lines = ConvertNotationToMovetext("1.e4 {" + words + "} e5   *", 1);
    ASSERT_GE(lines.size(), 3u);
    // Runs of blanks in a comment stay: the copy keeps the comment as written.
    EXPECT_EQ(lines[0].rfind("1.e4 {word0   word1", 0), 0u);
    for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_LE(lines[i].size(), 72u) << lines[i];
    // No break when "[" follows the blank.
    std::vector<std::string> bracket = ConvertNotationToMovetext("{" + std::string(70, 'a') + " [x]} *", 2);
    EXPECT_EQ(bracket.size(), 1u);
}

TEST(PgnWriterConvert, CharacterRules) {
    EXPECT_EQ(ConvertNotationToMovetext("1.e4!! e5?? 2.Nf3!? Nc6?! 3.Bb5! a6? *", 1),
              std::vector<std::string>{"1.e4 $3 e5 $4 2.Nf3 $5 Nc6 $6 3.Bb5 $1 a6 $2 *"});
    // A sign as the very last character stays.
    EXPECT_EQ(ConvertNotationToMovetext("e4!"), std::vector<std::string>{"e4!"});
    EXPECT_EQ(ConvertNotationToMovetext("1.Sf3 Lg4 2.Dd1 Tb8 [2.a3] *", 1),
              std::vector<std::string>{"1.Nf3 Bg4 2.Qd1 Rb8 (2.a3) *"});
    // Comments are copied as they are, line feeds folded, returns made blanks.
    EXPECT_EQ(ConvertNotationToMovetext("1.e4 {Sx! [y]\n   z\rw} *", 1),
              std::vector<std::string>{"1.e4 {Sx! [y]z w} *"});
    EXPECT_EQ(ConvertNotationToMovetext("1.e4\n   e5 *", 1), std::vector<std::string>{"1.e4e5 *"});
    // The result is copied unchanged.
    EXPECT_EQ(ConvertNotationToMovetext("1.e4   Draw?", 5), std::vector<std::string>{"1.e4   Draw?"});
    EXPECT_EQ(ConvertNotationToMovetext(""), std::vector<std::string>{});
}

TEST(PgnWriterConvert, SignsCountTheirOwnCharactersTowardsTheLineLength) {
    // "e4! " counts 4; 66 more letters make 70 at the next blank: no break yet.
    const std::string word(66, 'a');
    EXPECT_EQ(ConvertNotationToMovetext("e4! " + word + " *", 1),
              std::vector<std::string>{"e4 $1 " + word + " *"});
    EXPECT_EQ(ConvertNotationToMovetext("e4? " + word + " *", 1),
              std::vector<std::string>{"e4 $2 " + word + " *"});
    // One letter more reaches 71: the blank becomes the break.
    EXPECT_EQ(ConvertNotationToMovetext("e4! " + word + "a *", 1),
              (std::vector<std::string>{"e4 $1 " + word + "a", "*"}));
    // Two signs count two.
    EXPECT_EQ(ConvertNotationToMovetext("e4!? " + word.substr(1) + " *", 1),
              std::vector<std::string>{"e4 $5 " + word.substr(1) + " *"});
    EXPECT_EQ(ConvertNotationToMovetext("e4!? " + word + " *", 1),
              (std::vector<std::string>{"e4 $5 " + word, "*"}));
}

TEST(PgnWriterConvert, MarkBeforeGoesAfterTheMoveWord) {
    EXPECT_EQ(ConvertNotationToMovetext(">1.e4 e5 *", 1), std::vector<std::string>{"1.e4 $998 e5 *"});
    EXPECT_EQ(ConvertNotationToMovetext(">1.e4< e5 *", 1), std::vector<std::string>{"1.e4 $998 $999 e5 *"});
    EXPECT_EQ(ConvertNotationToMovetext("1.e4 {a>b} *", 1), std::vector<std::string>{"1.e4 {a>b} *"});
    EXPECT_EQ(ConvertNotationToMovetext(">e4"), std::vector<std::string>{"e4 $998"});
    EXPECT_EQ(ConvertNotationToMovetext(">>>e4 x"), std::vector<std::string>{"e4 $998 $998 $998 x"});
    // Many marks in one word cost one scan of the word.
    std::vector<std::string> many = ConvertNotationToMovetext(std::string(300000, '>') + "e4");
    ASSERT_FALSE(many.empty());
    EXPECT_EQ(many[0].substr(0, 7), "e4 $998");
}

// Comments joined for the notation are written as the separate comments
// they were: other programs read no "|" between them.
TEST(PgnWriter, JoinedCommentsAreWrittenApartAndGainNoGlyph) {
    TLaidOut g;
    g.Load("1. e4 {first} {second} {a | b} e5 *");
    EXPECT_EQ(Joined(Movetext(g)), "1.e4 {first} {second} {a | b} 1...e5   *");
    TLaidOut back;
    back.core.LoadGame(Written(g));
    TMoveNode* e4 = back.core.Root->FirstMove;
    EXPECT_EQ(e4->Comment, "{first} | {second} | {a | b}");
    EXPECT_EQ(e4->Move.ExtraNag, 0);
    // With a mark before the move the comment extents move along.
    TLaidOut m;
    m.Load("1. e4 $998 {first} {second} e5 *");
    EXPECT_EQ(Joined(Movetext(m)), "1.e4 $998 {first} {second} 1...e5   *");
}

TEST(PgnWriter, HeadlineIsLeftOut) {
    const std::vector<std::vector<std::string>> headers = {
        {"[White \"Alpha\"]", "[Black \"Beta\"]"},
        {"[Event \"Open\"]", "[Site \"Town\"]"},
        {"[Event \"Open\"]", "[Site \"Town\"]", "[Date \"2001.??.??\"]"},
        {"[Site \"Town\"]"},
        {"[Date \"2001.??.??\"]"},
        {"[Event \"?\"]", "[White \"\"]", "[Black \"\"]"}};
    for (const auto& tags : headers) {
        TLaidOut g;
        g.display->Headline = true;
        g.Load("1. e4 *", tags);
        std::vector<std::string> lines = Movetext(g);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "1.e4   *") << tags.front();
    }
}

TEST(PgnWriter, RestoresTheDisplayAndCurrent) {
    TLaidOut g;
    g.display->PaintWidth = 10;
    int relayouts = 0;
    g.display->AfterRelayout = [&] { ++relayouts; };
    g.Load("1. e4 $142 e5 2. Nf3 Nc6 *");
    std::string before = g.Text();
    size_t rows = g.display->Rows.size();
    TMoveNode* e5 = g.core.Root->FirstMove->Next;
    g.core.Current = e5;
    g.core.Relayout();
    TBoard board = g.core.Board;
    relayouts = 0;
    Written(g);
    EXPECT_EQ(g.Text(), before);
    EXPECT_EQ(g.display->Rows.size(), rows);
    EXPECT_EQ(g.core.Current, e5);
    EXPECT_EQ(g.core.Board, board);
    EXPECT_FALSE(g.core.PgnMode);
    EXPECT_EQ(relayouts, 1);  // only the restoring layout reaches the display
}

TEST(PgnWriter, ClipboardGetsTheTextOrTheFailure) {
    TLaidOut g;
    g.Load("1. e4 *");
    std::string expected = Written(g);
    std::string clip;
    std::string out = "untouched";
    EXPECT_EQ(WritePGN(g.core, true, out, false, [&](const std::string& t) {
                  clip = t;
                  return true;
              }),
              0);
    EXPECT_EQ(clip, expected);
    EXPECT_EQ(out, "untouched");
    EXPECT_NE(WritePGN(g.core, true, out, false, [](const std::string&) { return false; }), 0);
    EXPECT_NE(WritePGN(g.core, true, out, false, {}), 0);
    EXPECT_FALSE(g.core.PgnMode);
    clip.clear();
    CopyPGNToClipboard(g.core, [&](const std::string& t) {
        clip = t;
        return true;
    });
    EXPECT_EQ(clip, expected);
}

TEST(PgnWriter, WithoutAnAttachedLayoutStillWrites) {
    TNotationCore core;
    core.SetEnglish(true);
    core.LoadGame("[Event \"x\"]\n\n1. e4 e5 *\n");
    std::string text;
    EXPECT_EQ(WritePGN(core, false, text, false), 0);
    EXPECT_NE(text.find("1.e4 e5   *"), std::string::npos);
}

TEST(PgnWriter, HugeCommentAndLongGameAreWritten) {
    TLaidOut g;
    std::string words;
    while (words.size() < (1u << 20)) words += "some  words ";
    g.Load("1. e4 {" + words + "} e5 *");
    std::vector<std::string> lines = Movetext(g);
    EXPECT_GT(lines.size(), 10000u);
    for (const auto& l : lines) ASSERT_LE(l.size(), 80u);
}

TEST(PgnWriter, HundredThousandNestedVariationsWriteAndReadBack) {
    std::string s = "1. e4 ";
    for (int i = 0; i < 100000; ++i) s += (i % 2 == 0) ? "(1. d4 " : "(1. c4 ";
    s += std::string(100000, ')');
    s += " e5 *";
    TLaidOut g;
    g.Load(s);
    std::string written = Written(g);
    size_t open = 0, close = 0;
    for (char c : written) {
        open += c == '(';
        close += c == ')';
    }
    EXPECT_EQ(open, 100000u);
    EXPECT_EQ(close, 100000u);

    TLaidOut again;
    ASSERT_EQ(again.core.LoadGame(written), 0);
    EXPECT_EQ(again.Text(), g.Text());
}

}  // namespace
