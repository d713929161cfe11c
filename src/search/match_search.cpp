// Jumping between the positions marked "MATCH" by a position search.
#include "search/match_search.h"

namespace {

// Does the hit test stop at `node` (none: the start)? It looks at the
// current move, so `node` is made current for it (nothing else changes,
// nothing is raised).
bool HitAt(TNotationCore& notation, TMoveNode* node, const THitTest& isHit) {
    if (!isHit) return false;
    TMoveNode* const current = notation.Current;
    notation.Current = node;
    const bool hit = isHit(notation);
    notation.Current = current;
    return hit;
}

// Is `node` a stop?
bool IsStop(TNotationCore& notation, TMoveNode* node, const THitTest& isHit) {
    return node->Comment.find("MATCH") != std::string::npos || HitAt(notation, node, isHit);
}

// Makes a stop found in the game text current, as a click on it would.
void GoTo(TNotationCore& notation, TMoveNode* node) {
    notation.SetCurrent(node);
    notation.ShowCurrentMove();
}

}  // namespace

bool NextMatch(TNotationCore& notation, const TShowPositionFn& show, const THitTest& isHit) {
    bool found = false;
    // Whether every move passed so far follows the one before on its line.
    bool onLine = true;
    TMoveNode* before = notation.Current;
    for (TMoveNode* n = NextInText(notation.Root, notation.Current); n; before = n, n = NextInText(notation.Root, n)) {
        onLine = onLine && n == (before ? before->Next : notation.Root->FirstMove);
        if (IsStop(notation, n, isHit)) {
            // Along the current line step by step, as the search always went.
            if (onLine)
                while (notation.Current != n && notation.StepForward()) {
                }
            else
                GoTo(notation, n);
            found = true;
            break;
        }
    }
    // Without a later stop: to the end of the current line.
    if (!found)
        while (notation.StepForward()) {
        }
    // StepForward raises nothing, so this is the search's only board update.
    if (show) show(notation.CurrentPosition(), notation.CurrentMove());
    return found;
}

bool PrevMatch(TNotationCore& notation, const THitTest& isHit) {
    // Whether every move passed so far is the one a step back goes to.
    bool onLine = true;
    TMoveNode* after = notation.Current;
    for (TMoveNode* n = PrevInText(notation.Current); n; after = n, n = PrevInText(n)) {
        onLine = onLine && after->Prev == n && n->Next == after;
        if (IsStop(notation, n, isHit)) {
            // Back along the current line step by step (each step shown), as
            // the search always went; to a mark elsewhere in one jump.
            if (onLine) {
                while (notation.Current != n && notation.StepBack()) {
                }
            } else {
                GoTo(notation, n);
                notation.RaiseMoveChange(false);
            }
            return true;
        }
    }
    // Without an earlier stop: back to the start, every step shown; the
    // start itself may be a stop.
    bool moved = false;
    while (notation.StepBack()) moved = true;
    return moved && StartIsStop(notation, isHit);
}

bool StartIsStop(TNotationCore& notation, const THitTest& isHit) {
    return notation.Game.IntroComment.find("MATCH") != std::string::npos || HitAt(notation, nullptr, isHit);
}

bool OpeningMatch(TNotationCore& notation, const TShowPositionFn& show, const THitTest& isHit) {
    if (notation.Current || !StartIsStop(notation, isHit)) return NextMatch(notation, show, isHit);
    if (show) show(notation.CurrentPosition(), notation.CurrentMove());
    return true;
}
