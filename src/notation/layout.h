// The notation layout: the game tree turned into one flat notation text, a
// row table (where each display row starts and in which font it is drawn) and
// a comment table (where the comments lie). Painting, hit-testing, navigation
// by text position and the PGN writer all work on this text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notation/measure.h"
#include "notation/notation_core.h"

struct TRowEntry {
    int Start = 1;  // 1-based position of the row's first character
    TNotationFont Font = TNotationFont::Var0;
    bool operator==(const TRowEntry&) const = default;
};

// A glyph shown as a symbol: the position of its character in the text.
struct TGlyphEntry {
    int Pos = 1;
    int Nag = 0;
    bool operator==(const TGlyphEntry&) const = default;
};

// A stretch of text [Pos, Pos + Len): a marked move, the reading-error row.
struct TTextRange {
    int Pos = 0;
    int Len = 0;
    bool Holds(int p) const { return p >= Pos && p < Pos + Len; }
    bool operator==(const TTextRange&) const = default;
};

struct TCommentEntry {
    int Pos = 1;  // 1-based position of the opening brace
    int Len = 0;  // length including both braces
    // A clock or an evaluation read from the move's comment, drawn small and
    // grey (in the Quiet font); written in braces like a comment, so that
    // clicks and keys pass over it as over any comment.
    bool Quiet = false;
    bool operator==(const TCommentEntry&) const = default;
};

// The display model of the notation control and the settings its layout
// depends on. One lives in TNotationCore::Display once AttachLayout ran.
struct TNotationDisplay {
    // ---- settings (the widget's properties write them, then relayout) ----
    bool Headline = false;  // show the headline with players and event
    bool AutoBold = true;       // bold main line when it has alternatives
    uint16_t Indent0Var = 2;
    uint16_t Indent1Var = 10;
    uint16_t Indent2Var = 18;
    // Clocks (or the time a move took) and evaluations from the comments'
    // commands, shown after their moves. The commands themselves are never shown.
    bool ShowClocks = true;
    bool ShowEvals = true;
    // Width available for rows (the paint box width); 0 or less: rows are not
    // broken by width.
    int PaintWidth = 0;
    // Measures characters for row breaking; none: rows are not broken.
    const TTextMeasure* Measure = nullptr;
    // Longest notation text laid out: positions are 32-bit, so a longer one
    // makes the layout throw TGameTooLarge long before any of them could wrap.
    size_t MaxTextLength = size_t{1} << 30;

    // Called at the end of a display-mode relayout (not while the PGN writer
    // lays out): set the scroll range, scroll to and repaint the current move.
    std::function<void()> AfterRelayout;
    // Redraws the highlight of the current move (after a jump by text position).
    std::function<void()> RedrawHighlight;

    // ---- the tables, rebuilt by every relayout ----
    std::string Text;                     // position p is Text[p - 1]
    std::vector<TRowEntry> Rows;          // ascending starts, the first at 1
    std::vector<TCommentEntry> Comments;  // in text order
    int HeadlineLength = 0;
    std::vector<TGlyphEntry> Glyphs;      // glyph characters, in text order
    std::vector<TTextRange> Marks;        // moves whose comment holds "MATCH"
    TTextRange ErrorRow;                  // the reading-error message (a comment), Len 0 if none
    bool Utf8 = true;                     // the text is read as UTF-8, else as Latin-1
    TNotationFont MainFont = TNotationFont::Var0;

    // ---- queries ----
    int RowCount() const { return static_cast<int>(Rows.size()); }
    // Start of row i (0-based), or 0 when there is no such row.
    int RowStart(int i) const;
    // One past the last position of row i: the next row's start, or the text length + 1.
    int RowEnd(int i) const;
    // Text of row i as it stands in the notation text (braces included).
    std::string RowText(int i) const;
    // The row (0-based) that holds a move, -1 for none.
    int RowOfMove(const TMoveNode* move) const;
    // The row that holds a 1-based text position, -1 for none.
    int RowOfPosition(int position) const;
    // The indent of a row font: Indent1Var, Indent2Var or Indent0Var.
    int IndentOfFont(TNotationFont font) const;
    // Index of the comment table entry that holds a position, -1 for none.
    int CommentAt(int position) const;
};

// Creates the display of `core` (kept in core.Display) and plugs the layout
// into its hooks: Relayout, GoToTextPosition and NotationText. The measure
// (may be none) must outlive the core or be replaced before it goes.
TNotationDisplay& AttachLayout(TNotationCore& core, const TTextMeasure* measure = nullptr);

// The display of a core; AttachLayout is run first when it has none.
TNotationDisplay& DisplayOf(TNotationCore& core);

// Rebuilds the notation text, row table and comment table from the game tree
// and leaves Board and State at the position after Current. In PGN mode
// (core.PgnMode) the extra glyph follows the move and no rows are broken.
void LayoutNotation(TNotationCore& core, TNotationDisplay& display);

// Breaks the rows of display.Text by width (word wrap). Part of the layout;
// exposed for tests.
void BreakRows(TNotationDisplay& display);
