// The game tree: node and entry pools, building, deleting and walking.
#include <algorithm>
#include <cstring>

#include "notation/game_tree.h"
#include "notation/move_text.h"
#include "notation/notation_core.h"
#include "rules/chess960.h"

namespace {

constexpr int a1 = 21, d1 = 24, f1 = 26, h1 = 28;
constexpr int a8 = 91, d8 = 94, f8 = 96, h8 = 98;
constexpr size_t kChunk = 1024;

}  // namespace

void MakeMove(TBoard& board, const TMoveRecord& state) {
    if (IsNullMove(state)) return;
    if (IsRookFileCastle(state)) {
        PlayRookFileCastle(board, state);
        return;
    }
    board[state.ToSq] = board[state.FromSq];
    board[state.FromSq] = 0;
    if (state.EpVictim != 0) board[state.EpVictim] = 0;
    if (state.CastleKind == 1) {
        if (state.Side == Black) {
            board[h1] = 0;
            board[f1] = Rook;
        } else {
            board[h8] = 0;
            board[f8] = -Rook;
        }
    } else if (state.CastleKind == 2) {
        if (state.Side == Black) {
            board[a1] = 0;
            board[d1] = Rook;
        } else {
            board[a8] = 0;
            board[d8] = -Rook;
        }
    }
    if (state.Promotion != 0) board[state.ToSq] = state.Promotion;
}

void UnmakeMove(TBoard& board, const TMoveRecord& move, const TMoveRecord& state) {
    if (IsNullMove(move)) return;
    if (IsRookFileCastle(state)) {
        TakeBackRookFileCastle(board, state);
        return;
    }
    board[move.FromSq] = board[move.ToSq];
    if (move.Promotion != 0) board[move.FromSq] = -move.Side;
    if (state.EpVictim != 0) {
        board[state.EpVictim] = move.Side;
        board[move.ToSq] = 0;
    } else {
        board[move.ToSq] = move.Captured;
    }
    if (state.CastleKind == 1) {
        if (state.Side == Black) {
            board[f1] = 0;
            board[h1] = Rook;
        } else {
            board[f8] = 0;
            board[h8] = -Rook;
        }
    } else if (state.CastleKind == 2) {
        if (state.Side == Black) {
            board[d1] = 0;
            board[a1] = Rook;
        } else {
            board[d8] = 0;
            board[a8] = -Rook;
        }
    }
}

TNotationCore::TNotationCore() {
    OtherTags.Sorted = true;
    Game.Header.OtherTags = &OtherTags;
    for (int n = 0; n < 256; ++n) {
        std::string s = FixedNagSymbol(n);
        nagSymbols_[n] = s.empty() ? 0 : s[0];
    }
    ClearGame();
}

TNotationCore::~TNotationCore() {
    // Hooks may point into the widget that is going away: nothing is raised
    // from here on.
    Hooks = {};
    OnMoveChange = nullptr;
    // The pools own every node and entry: they go with them, unwalked.
    Root = nullptr;
}

void TNotationCore::SetEnglish(bool value) {
    if (english_ == value) return;
    english_ = value;
    Relayout();
}

// ---- pools ----

// Free nodes and entries wait in lists linked through their own Next and
// NextVar: giving one back never allocates (a game is dropped safely when
// memory has run out), and nothing is kept per node beside the pools.
TMoveNode* TNotationCore::NewMoveNode(const TMoveRecord& move) {
    if (!freeNodes_) {
        nodeChunks_.push_back(std::make_unique<TMoveNode[]>(kChunk));
        TMoveNode* chunk = nodeChunks_.back().get();
        for (size_t i = kChunk; i-- > 0;) {
            chunk[i].Next = freeNodes_;
            freeNodes_ = &chunk[i];
        }
    }
    TMoveNode* node = freeNodes_;
    freeNodes_ = node->Next;
    node->Next = nullptr;
    node->Prev = nullptr;
    node->Variations = nullptr;
    node->Entry = nullptr;
    node->Move = move;
    node->TextPos = 0;
    node->TextLen = 0;
    node->MoveNo = 0;
    LastNode = node;
    return node;
}

void TNotationCore::FreeNode(TMoveNode* node) {
    if (!positionsBefore_.empty()) positionsBefore_.erase(node);
    if (!otherGlyphs_.empty()) otherGlyphs_.erase(node);
    if (node == Current) Current = nullptr;
    if (node == LastNode) LastNode = nullptr;
    // Keep small comment buffers for reuse; give big ones back.
    if (node->Comment.capacity() > 256) std::string().swap(node->Comment);
    else node->Comment.clear();
    node->Prev = nullptr;
    node->Variations = nullptr;
    node->Entry = nullptr;
    node->Next = freeNodes_;
    freeNodes_ = node;
}

TVariationEntry* TNotationCore::NewEntry() {
    if (!freeEntries_) {
        entryChunks_.push_back(std::make_unique<TVariationEntry[]>(kChunk));
        TVariationEntry* chunk = entryChunks_.back().get();
        for (size_t i = kChunk; i-- > 0;) {
            chunk[i].NextVar = freeEntries_;
            freeEntries_ = &chunk[i];
        }
    }
    TVariationEntry* entry = freeEntries_;
    freeEntries_ = entry->NextVar;
    *entry = TVariationEntry{};
    return entry;
}

void TNotationCore::FreeEntry(TVariationEntry* entry) {
    if (entry == CurEntry) CurEntry = nullptr;
    if (entry == Root) Root = nullptr;
    *entry = TVariationEntry{};
    entry->NextVar = freeEntries_;
    freeEntries_ = entry;
}

// ---- game data ----

void TNotationCore::ClearGame() {
    GameChanged = false;
    ReadingFailed = false;
    Board = InitialPosition;
    ClearEventData(Game.Header);
    Game.IntroComment.clear();
    Game.TagLines.clear();
    Game.StartPosition = InitialPosition;
    Game.StartMoveNo = 1;
    Game.StartState = FreshState();
    Game.CastlingRooks = TCastlingRooks{};
    if (OnMoveChange) OnMoveChange(*this, Game.StartState, Game.StartPosition, false);
}

void TNotationCore::NewGame() {
    ClearGame();
    DeleteTree();
}

void TNotationCore::DeleteTree() {
    DeleteVariation(Root);
    Root = nullptr;
    Current = nullptr;
    CurEntry = nullptr;
    LastNode = nullptr;
    Relayout();
}

void TNotationCore::AppendMove() {
    if (!LastNode || !CurEntry) return;
    if (CurEntry->FirstMove) {
        LastNode->Prev = Current;
        if (Current) Current->Next = LastNode;
    } else {
        CurEntry->FirstMove = LastNode;
        LastNode->Entry = CurEntry;
        if (Current) LastNode->Prev = Current;
    }
    Current = LastNode;
}

void TNotationCore::AddVariationEntry() {
    if (!Current) return;
    if (CurEntry) {
        TVariationEntry* last = CurEntry;
        auto tail = variationTails_.find(Current);
        if (tail != variationTails_.end() && !tail->second->NextVar) last = tail->second;
        while (last->NextVar) last = last->NextVar;
        TVariationEntry* entry = NewEntry();
        last->NextVar = entry;
        entry->PrevVar = last;
        CurEntry = entry;
    } else {
        TVariationEntry* entry = NewEntry();
        Current->Variations = entry;
        CurEntry = entry;
    }
    variationTails_[Current] = CurEntry;
}

void TNotationCore::MakeMove() { ::MakeMove(Board, State); }

void TNotationCore::RememberPositionBefore(const TMoveNode* node, const TBoard& before) {
    std::array<int8_t, 64>& squares = positionsBefore_[node];
    for (int i = 0; i < 64; ++i) squares[static_cast<size_t>(i)] = static_cast<int8_t>(before[Index64ToSquare(i)]);
}

void TNotationCore::AddOtherGlyph(const TMoveNode* node, int nag) {
    if (!node || nag < 0 || nag > 255) return;
    std::vector<uint8_t>& glyphs = otherGlyphs_[node];
    // A glyph written twice counts once; a move carries a handful at most.
    if (glyphs.size() >= 8 || std::find(glyphs.begin(), glyphs.end(), nag) != glyphs.end()) return;
    glyphs.push_back(static_cast<uint8_t>(nag));
}

const std::vector<uint8_t>* TNotationCore::OtherGlyphs(const TMoveNode* node) const {
    if (otherGlyphs_.empty()) return nullptr;
    auto it = otherGlyphs_.find(node);
    return it == otherGlyphs_.end() ? nullptr : &it->second;
}

void TNotationCore::UnmakeMove(const TMoveRecord& move) { ::UnmakeMove(Board, move, State); }

void TNotationCore::DeleteVariation(TVariationEntry*& ref) {
    TVariationEntry* entry = ref;
    if (!entry) return;
    if (variationTails_.bucket_count() > 4096) variationTails_ = {};
    else variationTails_.clear();
    // Release every line beneath the entry without recursion (variations
    // nested to any depth cannot exhaust the call stack) and without
    // allocating: the entries still to free are chained through NextVar.
    TVariationEntry* pending = nullptr;
    auto freeLine = [&](TMoveNode* n) {
        while (n) {
            if (TVariationEntry* v = n->Variations) {
                TVariationEntry* last = v;
                while (last->NextVar) last = last->NextVar;
                last->NextVar = pending;
                pending = v;
            }
            TMoveNode* next = n->Next;
            FreeNode(n);
            n = next;
        }
    };
    freeLine(entry->FirstMove);
    while (pending) {
        TVariationEntry* e = pending;
        pending = e->NextVar;
        freeLine(e->FirstMove);
        FreeEntry(e);
    }
    TVariationEntry* next = entry->NextVar;
    TVariationEntry* prev = entry->PrevVar;
    if (next) {
        next->PrevVar = prev;
        if (prev) prev->NextVar = next;
        ref = next;
    } else {
        if (prev) prev->NextVar = nullptr;
        ref = nullptr;
    }
    FreeEntry(entry);
}

// ---- walking ----

void ForEachNode(TVariationEntry* root, const std::function<void(TMoveNode*)>& fn) {
    if (!root) return;
    // Each stack element is the next move to visit on some line; a move's
    // alternatives are visited before its continuation, as in the text.
    std::vector<TMoveNode*> stack;
    if (root->FirstMove) stack.push_back(root->FirstMove);
    while (!stack.empty()) {
        TMoveNode* node = stack.back();
        stack.pop_back();
        fn(node);
        if (node->Next) stack.push_back(node->Next);
        // Push the alternatives in reverse so that the first is visited first.
        size_t mark = stack.size();
        for (TVariationEntry* v = node->Variations; v; v = v->NextVar)
            if (v->FirstMove) stack.push_back(v->FirstMove);
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(mark), stack.end());
    }
}

namespace {

// The entry of the variation whose first move is `start`.
const TVariationEntry* EntryOf(const TMoveNode* start) {
    if (start->Entry) return start->Entry;
    for (const TVariationEntry* e = start->Prev->Variations; e; e = e->NextVar)
        if (e->FirstMove == start) return e;
    return nullptr;
}

// The last move written of a line and everything written after its moves.
TMoveNode* LastWrittenOfLine(TMoveNode* first) {
    TMoveNode* node = first;
    for (;;) {
        while (node->Next) node = node->Next;
        const TVariationEntry* last = nullptr;
        for (const TVariationEntry* e = node->Variations; e; e = e->NextVar)
            if (e->FirstMove) last = e;
        if (!last) return node;
        node = last->FirstMove;
    }
}

}  // namespace

int PlyOf(const TMoveNode* node) {
    int ply = 0;
    for (const TMoveNode* n = node; n; n = n->Prev) {
        while (IsVariationStart(n)) n = n->Prev;
        ++ply;
    }
    return ply;
}

TMoveNode* NextInText(const TVariationEntry* root, TMoveNode* node) {
    if (!node) return root ? root->FirstMove : nullptr;
    for (const TVariationEntry* e = node->Variations; e; e = e->NextVar)
        if (e->FirstMove) return e->FirstMove;
    if (node->Next) return node->Next;
    // The end of a line: after a variation comes the next alternative to the
    // same move, then that move's continuation, and so on outwards.
    for (;;) {
        TMoveNode* start = node;
        while (start->Prev && start->Prev->Next == start) start = start->Prev;
        if (!start->Prev) return nullptr;  // the end of the main line
        TMoveNode* replaced = start->Prev;
        const TVariationEntry* entry = EntryOf(start);
        for (const TVariationEntry* e = entry ? entry->NextVar : nullptr; e; e = e->NextVar)
            if (e->FirstMove) return e->FirstMove;
        if (replaced->Next) return replaced->Next;
        node = replaced;
    }
}

TMoveNode* PrevInText(TMoveNode* node) {
    if (!node) return nullptr;
    if (IsVariationStart(node)) {
        const TVariationEntry* entry = EntryOf(node);
        for (const TVariationEntry* e = entry ? entry->PrevVar : nullptr; e; e = e->PrevVar)
            if (e->FirstMove) return LastWrittenOfLine(e->FirstMove);
        return node->Prev;  // the move the variation replaces
    }
    TMoveNode* before = node->Prev;
    if (!before) return nullptr;
    const TVariationEntry* last = nullptr;
    for (const TVariationEntry* e = before->Variations; e; e = e->NextVar)
        if (e->FirstMove) last = e;
    return last ? LastWrittenOfLine(last->FirstMove) : before;
}
