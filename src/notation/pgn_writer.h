// Writing the loaded game as PGN: the tag lines as the game's text wrote them
// (a database game's from its header record), then the movetext converted
// character by character from the notation text that the layout produces in
// PGN mode.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collection/game_header.h"
#include "notation/notation_core.h"
#include "rules/position.h"

// The tag lines of a game, in the order PGN readers expect the seven
// required tags, then the optional ones the header record keeps. A Chess960
// game's FEN names its castling rights as the game's own FEN did.
std::vector<std::string> PGNTagLines(const TGameHeader& header, const TBoard& startPosition,
                                     const TMoveRecord& startState, uint16_t startMoveNo,
                                     const TCastlingRooks& rooks = TCastlingRooks{});

// The tag lines a copy of the game starts with. A game read from PGN text
// keeps every tag line as written: the seven required tags first, in their
// order (one the text lacks as PGNTagLines writes it), then the others in
// text order. With fromRecord, or for a game without tag text, PGNTagLines.
std::vector<std::string> GameTagLines(const TGameData& game, bool fromRecord);

// A date tag value: "1999.03.??" style, "????.??.??" when nothing is known.
std::string PGNDateValue(uint16_t year, uint16_t month, uint16_t day);

// Converts a notation text laid out in PGN mode (headline already removed)
// into movetext lines: glyph letters and "!"/"?" forms back to numeric
// glyphs, the "<" and ">" marks, German piece letters to English, square
// brackets to parentheses, lines broken after 71 counted characters (inside
// comments after 60). The last `verbatimTail` characters (the result) are
// copied unchanged. `comments` are the extents [first, last + 1) of the
// comments (0-based, in text order) as the layout listed them; a comment
// without an entry runs to the next "}".
using TCommentRanges = std::vector<std::pair<size_t, size_t>>;
std::vector<std::string> ConvertNotationToMovetext(std::string_view text, size_t verbatimTail = 0,
                                                   const TCommentRanges& comments = {});
// Takes text written in pieces, in order.
using TTextSink = std::function<void(std::string_view piece)>;
// The same appended to `out`, each line ended by `lineBreak`. With a sink,
// what is written is handed on in pieces of about a megabyte as it grows,
// and `out` keeps only the rest.
void AppendMovetext(std::string_view text, size_t verbatimTail, const TCommentRanges& comments,
                    std::string_view lineBreak, std::string& out, const TTextSink& sink);

// Puts text on the clipboard; false when that failed.
using TClipboardSink = std::function<bool(const std::string& text)>;

// Writes the game as PGN. With toClipboard the text goes to `clipboard` (and
// `text` is not set); otherwise it is returned in `text`. With tagsOnly only
// the tag lines are produced (in `text`) and the result is -1. Returns 0 when
// the full text was produced, 1 when the clipboard refused it. Leaves PGN
// mode and lays the game out again in every case; Current does not change.
int WritePGN(TNotationCore& core, bool toClipboard, std::string& text, bool tagsOnly,
             const TClipboardSink& clipboard = {});

// WritePGN of the full text for a game that is dropped afterwards (the
// command line), handed to `sink` in pieces: the notation is not laid out
// again, and no copy of the whole text is made beside the notation text.
void WritePGNOnce(TNotationCore& core, const TTextSink& sink);

// WritePGN to the clipboard, full text; the result is ignored.
void CopyPGNToClipboard(TNotationCore& core, const TClipboardSink& clipboard);
