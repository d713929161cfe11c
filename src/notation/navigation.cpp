// Moving through the loaded game: Current, Board and State kept in step.
#include <vector>

#include "notation/notation_core.h"

namespace {

// The move after which the position before `node` stands (none = the start).
// The first move of a variation is played from where the move it replaces
// was, so the chain of replaced moves is passed over.
TMoveNode* MoveBefore(TMoveNode* node) {
    while (IsVariationStart(node)) node = node->Prev;
    return node ? node->Prev : nullptr;
}

}  // namespace

void TNotationCore::SyncBoardToCurrent() {
    Board = Game.StartPosition;
    if (!Current) {
        State = Game.StartState;
        return;
    }
    std::vector<TMoveNode*> path;
    for (TMoveNode* n = Current; n; n = MoveBefore(n)) path.push_back(n);
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        State = (*it)->Move;
        MakeMove();
    }
}

void TNotationCore::SetCurrent(TMoveNode* node) {
    Current = node;
    SyncBoardToCurrent();
}

void TNotationCore::Relayout() {
    SyncBoardToCurrent();
    if (Hooks.Relayout) Hooks.Relayout();
}

void TNotationCore::ShowCurrentMove() {
    if (Hooks.ShowCurrentMove) Hooks.ShowCurrentMove();
}

void TNotationCore::RaiseMoveChange(bool nextMove) {
    if (OnMoveChange) OnMoveChange(*this, State, Board, nextMove);
}

bool TNotationCore::StepBack() {
    if (!Current) return false;
    TMoveNode* old = Current;
    // From the first move of a variation this goes to the position before
    // the move it replaces, however deep the variation is nested.
    TMoveNode* target = MoveBefore(old);
    State = old->Move;
    UnmakeMove(old->Move);
    Current = target;
    State = Current ? Current->Move : Game.StartState;
    // Taking back castling, en passant or a promotion is exact only when the
    // text was legal there (a rook to castle with, a pawn to take, a pawn to
    // promote); for these moves the position the reader saw before them is
    // put back, or, for a move it did not note, the line is replayed.
    if (old->Move.CastleKind || old->Move.EpVictim || old->Move.Promotion) {
        auto noted = positionsBefore_.find(old);
        if (noted == positionsBefore_.end()) {
            SyncBoardToCurrent();
        } else {
            for (int i = 0; i < 64; ++i) Board[Index64ToSquare(i)] = noted->second[static_cast<size_t>(i)];
        }
    }
    ShowCurrentMove();
    RaiseMoveChange(false);
    return true;
}

bool TNotationCore::StepForward(uint8_t& From, uint8_t& To, uint8_t& Promotion, uint8_t& CastlingKind) {
    if (!HasGame()) return false;
    TMoveNode* candidate = Current ? Current->Next : Root->FirstMove;
    if (!candidate) return false;
    Current = candidate;
    State = candidate->Move;
    MakeMove();
    ShowCurrentMove();
    From = static_cast<uint8_t>(State.FromSq);
    To = static_cast<uint8_t>(State.ToSq);
    Promotion = static_cast<uint8_t>(State.Promotion);
    CastlingKind = static_cast<uint8_t>(State.CastleKind);
    return true;
}

bool TNotationCore::StepForward() {
    uint8_t from, to, promotion, castling;
    return StepForward(from, to, promotion, castling);
}

bool TNotationCore::StepForwardBranch() {
    bool fromStart = false;
    TMoveNode* candidate;
    if (!Current) {
        if (!HasGame()) return false;
        fromStart = true;
        Current = Root->FirstMove;
        candidate = Current;
    } else {
        candidate = Current->Next;
    }

    if (!candidate) {
        // The end of the game: nothing follows, nothing moves.
        if (IsLastMainMove(Current)) return false;
        // End of a variation: on to the move written after the next move number
        // of the notation text (after a variation, the enclosing line goes on).
        if (!Hooks.NotationText || !Hooks.GoToTextPosition) return false;
        const std::string& text = Hooks.NotationText();
        size_t pos = static_cast<size_t>(Current->TextPos > 0 ? Current->TextPos - 1 : 0) +
                     static_cast<size_t>(Current->TextLen > 0 ? Current->TextLen : 0);
        size_t found = std::string::npos;
        while (pos < text.size()) {
            char c = text[pos];
            if (c == '{') {
                size_t close = text.find('}', pos);
                if (close == std::string::npos) break;
                pos = close + 1;
                continue;
            }
            if (c == '.') {
                found = pos;
                break;
            }
            ++pos;
        }
        if (found == std::string::npos) return false;
        Hooks.GoToTextPosition(static_cast<int>(found) + 1);
        if (Hooks.Beep) Hooks.Beep();
        RaiseMoveChange(false);
        return false;
    }

    int choice = -2;
    if (!candidate->Variations) {
        if (!fromStart) Current = candidate;
    } else {
        choice = Hooks.ChooseVariation ? Hooks.ChooseVariation(candidate) : 0;
        if (choice > 0) {
            TVariationEntry* entry = candidate->Variations;
            for (int k = 1; k < choice && entry->NextVar; ++k) entry = entry->NextVar;
            CurEntry = entry;
            // An empty pair of parentheses offers nothing to play.
            if (entry->FirstMove) Current = entry->FirstMove;
            else choice = -1;
        } else if (choice == 0) {
            Current = candidate;
        }
        if (choice < 0) {
            if (fromStart) Current = nullptr;
            return false;
        }
    }
    State = Current->Move;
    MakeMove();
    ShowCurrentMove();
    RaiseMoveChange(true);
    return true;
}

bool TNotationCore::PrevBranchPoint() {
    if (!Current) return false;
    TMoveNode* m = Current;
    if (m->Prev) m = m->Prev;
    while (m->Prev && !m->Variations) m = m->Prev;
    // Just before the move that offers alternatives (for a move that is
    // itself an alternative, before the move it replaces).
    Current = MoveBefore(m);
    Relayout();
    RaiseMoveChange(false);
    return true;
}

bool TNotationCore::NextBranchPoint() {
    if (!HasGame()) return false;
    TMoveNode* m = Current ? Current->Next : Root->FirstMove;
    if (!m) return false;
    while (m->Next && !m->Next->Variations) m = m->Next;
    Current = m;
    Relayout();
    RaiseMoveChange(false);
    return true;
}

bool TNotationCore::ToStart() {
    if (!HasGame() || !Current) return false;
    Current = nullptr;
    Relayout();
    RaiseMoveChange(false);
    return true;
}

bool TNotationCore::ToEnd() {
    if (!HasGame()) return false;
    TMoveNode* m = Root->FirstMove;
    while (m->Next) m = m->Next;
    Current = m;
    Relayout();
    RaiseMoveChange(false);
    return true;
}

std::string TNotationCore::CurrentComment() const {
    std::string s = Current ? Current->Comment : Game.IntroComment;
    if (s.empty()) return s;
    size_t open = s.find('{');
    if (open != std::string::npos) s.erase(open, 1);
    else s.pop_back();
    size_t close = s.rfind('}');
    if (close != std::string::npos) s.erase(close, 1);
    return s;
}
