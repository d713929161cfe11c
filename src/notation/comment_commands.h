// Commands inside move comments, as live broadcasts, online servers, engines
// and study editors write them: "[%clk 1:30:58]" (the mover's clock),
// "[%emt 0:00:12]" (time the move took), "[%eval 0.36]" / "[%eval #-3]"
// (evaluation in pawns or mate, White's view), "[%cal Ge2e4,Rd1d8]" (arrows)
// and "[%csl Rh5]" (coloured squares), any number in one comment, blanks and
// line breaks inside tolerated. Engine matches write a whole comment in the
// form "+0.35/25 12s" (score / depth, time used; the score from the mover's
// view or from White's, depending on the engine: see EngineScoreView) or
// as key=value items ("d=36, mt=20220, tl=1741897, pv=..., wv=0.92, ...":
// White's view, move time and time left in milliseconds).
//
// Reading never changes the stored comment: the PGN writer keeps every
// command as written. What is read becomes values, and `Shown` is what the
// notation shows of the comment: the commands understood are gone, a command
// not understood (an unknown name, a malformed value, a missing "]") stays
// exactly as written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "board/board_marks.h"

class TNotationCore;

struct TCommentCommands {
    static constexpr int64_t kNone = -1;
    int64_t ClockMs = kNone;     // time left on the mover's clock
    int64_t TimeUsedMs = kNone;  // time the move took
    bool HasEval = false;
    int EvalCp = 0;              // White's view in centipawns (when Mate is 0)
    int Mate = 0;                // mate in n: > 0 White mates, < 0 Black mates
    bool EngineMate = false;     // the mate came as an engine's "M5" (its own count), not "#5"
    bool EngineForm = false;     // the evaluation came from the "+0.35/25 12s" form
    int Depth = -1;              // search depth of the evaluation, -1 unknown
    TBoardMarks Marks;           // arrows and coloured squares, at most kMaxMarks of each
    // The comment as shown, braces kept: "" when nothing is left of it. A
    // brace group emptied by taking its commands out goes with its " | ".
    std::string Shown;
    bool Found = false;          // some command was understood

    static constexpr size_t kMaxMarks = 64;
};

// Reads a stored comment ("{...}", or joined groups "{...} | {...}"; text
// without braces counts as one group). engineSign multiplies the score of
// the "+0.35/25" form: +1 keeps it as written, -1 turns a score written from
// Black's view into White's (EngineSign gives it for a move).
TCommentCommands ReadCommentCommands(std::string_view comment, int engineSign);

// Which view the "+0.35/25" scores of a game are written from. Some engines
// write their own (the mover's) view, some White's; a game says which only
// through its numbers. Read from White's view, mover's-view scores flip
// their sign from one move to the next, and the other way round: the reading
// under which the main line's series is clearly smoother is taken. Unknown
// (too few scores, or no clear difference): the scores stay as written.
enum class TScoreView { Unknown, White, Mover };
TScoreView EngineScoreView(const TNotationCore& core);
// The engineSign of ReadCommentCommands for a move; mover +1 White, -1 Black.
inline int EngineSign(TScoreView view, int mover) { return view == TScoreView::Mover && mover < 0 ? -1 : 1; }

// "1:30:58", "3:00", "0:05.3" (tenths only when there are any).
std::string ClockText(int64_t ms);
// Time a move took: "12s", "0.8s", "1m05s", "1h02m".
std::string DurationText(int64_t ms);
// The evaluation as shown: "+0.36", "-1.20", "0.00", "#3", "#-3", "+M5",
// with "/25" after it when the depth is known; "" without one.
std::string EvalText(const TCommentCommands& c);

// The arrows and squares of the current move's comment (at the start, of the
// comment before the first move).
TBoardMarks CurrentMarks(const TNotationCore& core);
