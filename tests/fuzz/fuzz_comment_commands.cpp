// Feeds arbitrary bytes to the reader of comment commands: it must never
// fail, keep its marks on the board and bounded, and leave a comment without
// an understood command exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "notation/comment_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int mover : {1, -1}) {
        const TCommentCommands k = ReadCommentCommands(text, mover);
        if (!k.Found && k.Shown != text) std::abort();
        if (k.Shown.size() > text.size()) std::abort();
        if (k.Marks.Squares.size() > TCommentCommands::kMaxMarks || k.Marks.Arrows.size() > TCommentCommands::kMaxMarks)
            std::abort();
        for (const TSquareMark& s : k.Marks.Squares)
            if (s.Square > 63) std::abort();
        for (const TArrowMark& a : k.Marks.Arrows)
            if (a.From > 63 || a.To > 63 || a.From == a.To) std::abort();
        if (k.HasEval && EvalText(k).empty()) std::abort();
        if (k.ClockMs >= 0 && ClockText(k.ClockMs).empty()) std::abort();
        (void)DurationText(k.TimeUsedMs);
    }
    return 0;
}
