// Reading the main line of a plain game straight from its bytes, the way
// the movetext parser reads it: the same token boundaries, each move read by
// the notation's one move reader (san::ReadMove) in its plain SAN mode. No
// tree; comments are passed over, or handed to the caller as they come (the
// replay looks for its marks in them). Only what that mode reads is read here: plain SAN
// from the standard start; anything else (variations, long or German
// notation, null moves) is left to the full loader, so that every position
// met is one the viewer shows in that game. Used by the position search and
// the opening tree.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "collection/game_text.h"
#include "notation/game_tree.h"
#include "notation/movetext_parser.h"
#include "notation/san_resolve.h"
#include "rules/chess960.h"

enum class TPlainRead {
    Done,    // read to its end or its result, or stopped by the caller
    Load,    // something the plain reading leaves to the loader
    Broken,  // stopped at a move that is no move or a comment never closed,
             // where the loader reports an error (the moves before it stand)
};

// The comment handler of a reading that keeps no comments.
struct TNoComments {
    void operator()(std::string_view, bool) const {}
};

// No look at the board before a move is played.
struct TNoLookBefore {
    void operator()(const TBoard&, const TMoveRecord&) const {}
};

// Reads a movetext assembled as the loader assembles it (one blank after
// each line, escape lines left out, blanks trimmed at both ends) from
// board/state (the standard start). After each move, played on board and
// state (state holds the move as the game tree keeps it: Side = the side to
// move after it), calls onMove(captured) with the piece the move took (0:
// none); onMove returns false to stop. With a comment handler, onComment(text,
// beforeMoves) gets each comment, braces included, in text order: first the
// comments before the moves as one text (the game's opening comment, with
// beforeMoves true), then each later one; without one the movetext may have
// its comments emptied. lookBefore(board, state), when given, sees the board
// just before each move is played on it. `cancel` is looked at now and then.
template <class TOnMove, class TOnComment = TNoComments, class TLookBefore = TNoLookBefore>
TPlainRead ReadPlainMoveText(std::string_view t, TBoard& board, TMoveRecord& state, const std::atomic<bool>* cancel,
                             TOnMove&& onMove, TOnComment&& onComment = {}, TLookBefore&& lookBefore = {}) {
    using namespace san;
    static const TCastlingRooks kNoRooks{};
    constexpr bool kComments = !std::is_same_v<std::decay_t<TOnComment>, TNoComments>;
    const size_t n = t.size();

    // Where the parser begins to read moves. Anything but comments before
    // that is unusual: the loader reads it.
    thread_local std::string intro;
    intro.clear();
    const size_t start = FindMovesStart(t, intro);
    if (start == std::string_view::npos) return kComments ? TPlainRead::Load : TPlainRead::Done;
    for (size_t k = 0; k < start; ++k) {
        if (t[k] == '{') k = t.find('}', k);
        else if (!IsBlankByte(t[k])) return TPlainRead::Load;
    }
    if constexpr (kComments) onComment(std::string_view(intro), true);

    thread_local std::string tok;
    for (size_t i = start, pass = 0; i < n; ++pass) {
        if ((pass & 0xFFFF) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return TPlainRead::Done;
        const char c = t[i];
        if (c == '{') {
            const size_t close = t.find('}', i);
            if (close == std::string_view::npos) return TPlainRead::Broken;  // the parser stops here
            if constexpr (kComments) onComment(t.substr(i, close + 1 - i), false);
            i = close + 1;
            continue;
        }
        if (c == '$') {
            while (i < n && !IsMoveTextBlank(t[i]) && t[i] != ')') ++i;
            continue;
        }
        if (int nag = 0; const size_t len = GlyphTextAt(t, i, nag)) {
            i += len;
            continue;
        }
        if (c == '(') return TPlainRead::Load;  // variations: the loader reads them
        if (StartsMoveWord(t, i)) {
            uint8_t signs = 0;
            i = ReadMoveWord(t, i, tok, signs);
            if (ClassifyMoveWord(tok) != TWordKind::Move) return TPlainRead::Load;  // null moves, "e.p."
            if (tok.empty()) return TPlainRead::Load;
            // state.EpSquare is the position's: the last move's double step.
            const san::TMoveReading read =
                san::ReadMove(tok, board, state, kNoRooks, state.EpSquare, san::TMoveForms::PlainSan);
            if (read == san::TMoveReading::Unusual) return TPlainRead::Load;
            if (read == san::TMoveReading::NoMove) return TPlainRead::Broken;
            const int captured = state.EpVictim ? board[state.EpVictim] : board[state.ToSq];
            san::UpdateCastlingRights(board, state);
            state.Side = static_cast<int8_t>(-state.Side);
            lookBefore(board, state);
            MakeMove(board, state);
            if (!onMove(captured)) return TPlainRead::Done;
            if (i >= n) return TPlainRead::Done;
            if (t[i] == '*' || (t[i] == '-' && (i + 1 >= n || t[i + 1] != '-'))) return TPlainRead::Done;
            ++i;
            continue;
        }
        // Anything else is passed over; a result ("-" or "*") ends the game.
        if (c == '*' || c == '-') return TPlainRead::Done;
        ++i;
    }
    return TPlainRead::Done;
}

// Reads the movetext of `lines` (its tags already passed) as above; the
// movetext is assembled without the insides of its comments.
template <class TOnMove, class TLookBefore = TNoLookBefore>
TPlainRead ReadPlainMoves(TGameTextLines& lines, TBoard& board, TMoveRecord& state, const std::atomic<bool>* cancel,
                          TOnMove&& onMove, TLookBefore&& lookBefore = {}) {
    if (!lines.HasMoveText()) return TPlainRead::Done;
    thread_local std::string mt;
    mt.clear();
    lines.AppendMoveText(mt, false);
    return ReadPlainMoveText(TrimBlanks(mt), board, state, cancel, std::forward<TOnMove>(onMove), TNoComments{},
                             std::forward<TLookBefore>(lookBefore));
}
