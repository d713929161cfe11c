#include "cli/replay_plain.h"

#include <new>

#include "collection/game_text.h"
#include "rules/chess960.h"
#include "search/plain_moves.h"

namespace {

// Board, side to move, castling rights and en-passant square of a game from
// the standard start.
void AppendFen4(std::string& out, const TBoard& board, const TMoveRecord& state) {
    static const TCastlingRooks kNoRooks{};
    const std::string fen = PositionToFEN(board, state, 1, kNoRooks);
    size_t cut = 0;
    for (int fields = 0; fields < 4 && cut != std::string::npos; ++fields) cut = fen.find(' ', cut + (fields ? 1 : 0));
    out.append(fen, 0, cut == std::string::npos ? fen.size() : cut);
}

// A start the loader sets up otherwise than the standard one.
bool OtherStart(TGameTextLines& lines) {
    TTag tag;
    bool other = false;
    while (lines.NextTag(tag))
        if (IsTagNamed(tag.Text, "FEN") || (IsTagNamed(tag.Text, "VARIANT") && !IsStandardVariant(TagValue(tag.Text))))
            other = true;
    return other;
}

// A game from this size on is turned into its movetext where it stands.
constexpr std::size_t kInPlaceBytes = 1 << 20;

// ReplayPlainGame without its care for memory.
TPlainRead Replay(std::string& text, std::string_view n, std::string& out, std::string& movetext, bool& givenUp) {
    TGameTextLines lines(text);
    if (OtherStart(lines)) return TPlainRead::Load;
    // The movetext as the loader assembles it, comments kept: their marks are the stops.
    std::string_view moves;
    if (lines.HasMoveText()) {
        if (text.size() >= kInPlaceBytes && lines.MoveTextInPlace(text, true)) {
            givenUp = true;
            moves = text;
        } else {
            movetext.clear();
            movetext.reserve(text.size() + 1);
            lines.AppendMoveText(movetext, true);
            moves = movetext;
        }
    }
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    auto line = [&](std::string_view kind, int ply) {
        out.append(n).append(kind);
        if (ply >= 0) out.append(std::to_string(ply)) += '\t';
        AppendFen4(out, board, state);
        out += '\n';
    };
    line("\tstart\t", -1);
    int ply = 0, lastStop = 0;
    auto onComment = [&](std::string_view comment, bool beforeMoves) {
        if (comment.find("MATCH") == std::string_view::npos) return;
        // A start that is a stop is told by its opening comment; a comment
        // after the moves begin but before the first one belongs to no move.
        if (beforeMoves) line("\tmatch\t", 0);
        else if (ply > lastStop) line("\tmatch\t", lastStop = ply);
    };
    auto onMove = [&](int) {
        ++ply;
        return true;
    };
    const TPlainRead read =
        moves.empty() ? TPlainRead::Done : ReadPlainMoveText(TrimBlanks(moves), board, state, nullptr, onMove, onComment);
    if (read == TPlainRead::Done) line("\tend\t", ply);
    return read;
}

}  // namespace

bool ReplayPlainGame(std::string& text, std::string_view n, std::string& out, std::string& movetext) {
    const size_t before = out.size();
    bool givenUp = false;
    TPlainRead read = TPlainRead::Load;
    try {
        read = Replay(text, n, out, movetext, givenUp);
    } catch (const std::bad_alloc&) {
        // The loader tries it, and tells when memory runs out there too.
    }
    if (movetext.capacity() > (16u << 20)) std::string().swap(movetext);  // a huge game's room is not kept
    if (read == TPlainRead::Done) return true;
    out.resize(before);
    if (givenUp) text.clear();  // turned into its movetext: to be read again
    return false;
}
