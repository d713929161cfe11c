// Commands inside move comments, as live broadcasts, online servers, engines
// and study editors write them: "[%clk 1:30:58]" (the mover's clock),
// "[%emt 0:00:12]" (time the move took), "[%eval 0.36]" / "[%eval #-3]"
// (evaluation in pawns or mate, White's view), "[%cal Ge2e4,Rd1d8]" (arrows)
// and "[%csl Rh5]" (coloured squares), any number in one comment, blanks and
// line breaks inside tolerated. Engine matches write a whole comment in the
// form "+0.35/25 12s" (score from the mover's view / depth, time used) or
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
    int Depth = -1;              // search depth of the evaluation, -1 unknown
    TBoardMarks Marks;           // arrows and coloured squares, at most kMaxMarks of each
    // The comment as shown, braces kept: "" when nothing is left of it. A
    // brace group emptied by taking its commands out goes with its " | ".
    std::string Shown;
    bool Found = false;          // some command was understood

    static constexpr size_t kMaxMarks = 64;
};

// Reads a stored comment ("{...}", or joined groups "{...} | {...}"; text
// without braces counts as one group). mover: +1 when White made the move,
// -1 Black; it turns an engine's score into White's view.
TCommentCommands ReadCommentCommands(std::string_view comment, int mover);

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
