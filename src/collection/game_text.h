// How every reader of this program takes one game's text apart: the tag
// syntax, the tag section and the movetext after it. The scanner that splits
// a file into games, the list rows, the loader and the position search all
// use it, so they agree on where a game's tags end and its moves begin.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Bytes a line may be indented with.
inline bool IsIndentByte(char c) { return c == ' ' || c == '\t'; }

// A tag name: a letter, digit or underscore, then any visible characters but
// quotes and brackets ("WhiteElo", "GreatestGameEverPlayed?").
inline bool IsTagNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
inline bool IsTagNameByte(char c) {
    return static_cast<unsigned char>(c) > ' ' && c != '"' && c != '[' && c != ']' && c != 0x7F;
}

// Length of the tag name that follows the "[" at s[0] when a tag starts
// there: "[", blanks, the name, blanks, a double quote. 0 when no tag starts
// there ("[%clk ...]", "[Event"x"]", a bracket in a comment).
std::size_t TagNameLength(std::string_view s);

// Where the value of a tag whose opening quote is s[open] ends: at the first
// quote not escaped by a backslash that blanks and a "]" follow, so that
// quotes left unescaped inside it stay in it ([Event "Tour "C""]); else at
// the first unescaped quote. `closed` tells whether a "]" follows it. npos
// when no quote ends it.
std::size_t TagValueEnd(std::string_view s, std::size_t open, bool& closed);

// One tag as written: `[Name "value"]`. Inside the value a backslash keeps
// the next character (an escaped quote does not end it).
struct TTag {
    std::string_view Name;
    std::string_view Text;  // from "[" to "]"; a tag not closed runs to the end of its line
};

// Reads the tag that starts at line[pos] (a "["). On success pos is just
// after it. False, and pos unchanged, when no tag starts there.
bool ReadTag(std::string_view line, std::size_t& pos, TTag& tag);

// First byte of a line after its indent, or the line's size. A UTF-8 byte
// order mark before it is passed over too: files joined end to end carry
// theirs into mid-file.
std::size_t IndentEnd(std::string_view line);
// A tag line: its first character after the indent starts a tag.
bool IsTagLine(std::string_view line);
// A tag's text (TTag::Text) that begins "[NAME " with that name in any case
// (upperName in upper case): how the loader and every reader of the moves
// tell a FEN or Variant tag, even one whose value is malformed.
bool IsTagNamed(std::string_view tagText, std::string_view upperName);
// A Variant value that names plain chess (lichess writes "Standard").
bool IsStandardVariant(std::string_view value);

// A word shaped like a move: SAN with English or German piece letters, long
// algebraic or coordinates ("e2e4", "Ng1-f3"), castling with letters or
// zeros, the null moves "--" and "Z0"; with or without a move number glued
// to its front ("1.e4") and signs after it ("Nf3+!"). Says nothing about
// whether the move can be made.
bool IsMoveWord(std::string_view word);

// The tag section and movetext of one game's text.
//
// Text before the first tag line is no part of the game. The tag section is
// the lines from there on that begin with "[" (a line may hold several tags),
// with blank lines and escape lines ("%") between them; it ends at the first
// other line. Text after the tags of a tag line is movetext ("[Variant
// "Standard"] 1. e4 e5"). A text without any tag line is all movetext.
// Line ends: CR LF, LF or CR.
class TGameTextLines {
public:
    explicit TGameTextLines(std::string_view text);
    // The next tag of the section, in text order. A tag written with blanks
    // of its own ("[ Event  "x" ]", a tab before the value) comes as
    // `[Event "x"]`, its value as written; the text then lives here until
    // the next call. A "[" line that holds no tag in this syntax comes whole
    // (Name empty), as it always was read. False once the section has ended.
    bool NextTag(TTag& tag);
    // Whether any movetext follows the tags. Call once NextTag gave false.
    bool HasMoveText() const { return !rests_.empty() || bodyFrom_ < text_.size(); }
    // Appends the movetext with one blank after each line, escape lines
    // left out, a ";" comment (the rest of its line) as a brace comment.
    // Without comments, what stands between the braces of a
    // comment is left out too (the braces stay): for readers that need only
    // the moves, a game with a huge comment costs no copy of it. Call once
    // NextTag gave false.
    void AppendMoveText(std::string& out, bool withComments = true) const;
    // The same movetext written over `text`, the text these lines read,
    // which the caller gives up: a huge game costs no second copy. False,
    // with the text untouched, when it cannot be done in place (a ";"
    // comment makes the movetext longer than its lines).
    bool MoveTextInPlace(std::string& text, bool withComments = true) const;
    // Offset of the first line after the tag section (the text's size when
    // none follows). Call once NextTag gave false.
    std::size_t BodyOffset() const { return bodyFrom_; }

private:
    // The line starting at pos, and where the next one starts.
    std::string_view LineAt(std::size_t pos, std::size_t& next) const;
    bool NextSectionLine();
    // A tag's text in the one form every reader takes.
    void Normalize(TTag& tag);
    template <class TOut>
    void WriteMoveText(TOut& out, bool withComments) const;

    std::string_view text_;
    std::string_view line_;        // the tag line being read
    std::size_t linePos_ = 0;      // read position within line_
    std::size_t nextLine_ = 0;     // offset of the line after line_
    bool inLine_ = false;
    bool ended_ = false;
    std::size_t bodyFrom_ = 0;
    std::vector<std::string_view> rests_;  // movetext standing on tag lines
    std::string normal_;                   // a tag's text in the usual form
};
