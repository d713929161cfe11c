// Jumping between the positions marked "MATCH" by a position search.
#include "notation/match_search.h"

namespace {

bool IsStop(const TNotationCore& notation, const THitTest& isHit) {
    return notation.CurrentComment().find("MATCH") != std::string::npos || (isHit && isHit(notation));
}

}  // namespace

bool NextMatch(TNotationCore& notation, const TShowPositionFn& show, const THitTest& isHit) {
    bool found = false;
    while (notation.StepForward()) {
        if (IsStop(notation, isHit)) {
            found = true;
            break;
        }
    }
    // StepForward raises nothing, so this is the search's only board update.
    if (show) show(notation.CurrentPosition(), notation.CurrentMove());
    return found;
}

bool PrevMatch(TNotationCore& notation, const THitTest& isHit) {
    while (notation.StepBack()) {
        if (IsStop(notation, isHit)) return true;
    }
    return false;
}
