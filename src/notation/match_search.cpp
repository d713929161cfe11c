// Jumping between the positions marked "MATCH" by a position search.
#include "notation/match_search.h"

bool NextMatch(TNotationCore& notation, const TShowPositionFn& show) {
    bool found = false;
    while (notation.StepForward()) {
        if (notation.CurrentComment().find("MATCH") != std::string::npos) {
            found = true;
            break;
        }
    }
    // StepForward raises nothing, so this is the search's only board update.
    if (show) show(notation.CurrentPosition(), notation.CurrentMove());
    return found;
}

bool PrevMatch(TNotationCore& notation) {
    while (notation.StepBack()) {
        if (notation.CurrentComment().find("MATCH") != std::string::npos) return true;
    }
    return false;
}
