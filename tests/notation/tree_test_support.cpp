#include "tree_test_support.h"

#include <gtest/gtest.h>

#include <utility>

#include "notation/game_tree.h"
#include "rules/chess960.h"
#include "rules/fen.h"
#include "rules/legality.h"
#include "support/replay_path.h"

namespace treetest {

namespace {

// A move the text itself gets wrong, whatever the reader does: no piece of
// the mover on the source square, or castling through occupied squares or
// without king and rook at home, or a pawn pushed into a piece.
bool TextFault(const TBoard& before, const TMoveRecord& test, const TMoveRecord& stored) {
    int side = test.Side;
    if (stored.CastleKind) {
        int base = side == White ? 21 : 91;
        if (before[base + 4] != King * side) return true;
        if (stored.CastleKind == 1) return before[base + 7] != Rook * side || before[base + 5] || before[base + 6];
        return before[base] != Rook * side || before[base + 1] || before[base + 2] || before[base + 3];
    }
    int piece = before[test.FromSq];
    if (piece == 0 || (piece > 0) != (side > 0)) return true;
    // A pawn pushed onto an occupied square.
    return piece == Pawn * side && test.FromSq % 10 == test.ToSq % 10 && before[test.ToSq] != 0;
}

}  // namespace

int LoadMoves(TNotationCore& core, const std::string& movetext, const std::string& fen) {
    std::string text = "[Event \"test\"]\n";
    if (!fen.empty()) text += "[FEN \"" + fen + "\"]\n[SetUp \"1\"]\n";
    text += "\n" + movetext + "\n";
    return core.LoadGame(text);
}

std::vector<TMoveNode*> Line(TMoveNode* first) {
    std::vector<TMoveNode*> line;
    for (TMoveNode* n = first; n; n = n->Next) line.push_back(n);
    return line;
}

std::vector<TMoveNode*> MainLine(const TNotationCore& core) {
    return core.Root ? Line(core.Root->FirstMove) : std::vector<TMoveNode*>{};
}

int VariationCount(const TMoveNode* node) {
    int count = 0;
    for (TVariationEntry* v = node ? node->Variations : nullptr; v; v = v->NextVar) ++count;
    return count;
}

TMoveNode* Alternative(const TMoveNode* node, int k) {
    TVariationEntry* v = node ? node->Variations : nullptr;
    for (int i = 1; v && i < k; ++i) v = v->NextVar;
    return v ? v->FirstMove : nullptr;
}

std::vector<std::string> MainLineText(TNotationCore& core) {
    std::vector<std::string> texts;
    bool wasEnglish = core.English();
    core.SetEnglish(true);
    TBoard saved = core.Board;
    core.Board = core.Game.StartPosition;
    for (TMoveNode* n : MainLine(core)) {
        texts.push_back(core.MoveToText(n->Move));
        MakeMove(core.Board, n->Move);
    }
    core.Board = saved;
    core.SetEnglish(wasEnglish);
    return texts;
}

TreeCheck CheckTree(const TNotationCore& core) {
    TreeCheck check;
    if (!core.Root || !core.Root->FirstMove) return check;
    struct Item {
        TMoveNode* node;
        TBoard before;
        TMoveRecord stateBefore;
    };
    std::vector<Item> stack;
    stack.push_back({core.Root->FirstMove, core.Game.StartPosition, core.Game.StartState});
    while (!stack.empty()) {
        Item item = std::move(stack.back());
        stack.pop_back();
        TMoveNode* node = item.node;
        ++check.nodes;
        TMoveRecord test = node->Move;
        test.Castling = item.stateBefore.Castling;
        test.EpSquare = item.stateBefore.EpSquare;
        test.Side = static_cast<int8_t>(-node->Move.Side);
        const TCastlingRooks& rooks = core.Game.CastlingRooks;
        // A Chess960 game's castling is judged by rook file only.
        const bool fault = rooks.Active ? false : TextFault(item.before, test, node->Move);
        if (IsNullMove(node->Move)) {
            // A null move ("--") passes the turn; it is no move of the rules.
        } else if (fault) {
            ++check.textFaults;
        } else if (rooks.Active ? !IsLegalRookFileMove(item.before, test, rooks) : !IsLegalMove(item.before, test)) {
            if (check.illegal++ == 0)
                check.firstIllegal = PositionToFEN(item.before, item.stateBefore, 1) + " : " +
                                     std::string(SquareName(test.FromSq)) + std::string(SquareName(test.ToSq));
        }
        TBoard after = item.before;
        MakeMove(after, node->Move);
        TBoard back = after;
        UnmakeMove(back, node->Move, node->Move);
        if (back != item.before && !fault) ++check.notRestored;
        for (TVariationEntry* v = node->Variations; v; v = v->NextVar)
            if (v->FirstMove) stack.push_back({v->FirstMove, item.before, item.stateBefore});
        if (node->Next) stack.push_back({node->Next, after, node->Move});
    }
    return check;
}

void ExpectInStep(const TNotationCore& core) {
    EXPECT_EQ(core.Board, ReplayedPositionAfter(core, core.Current));
    if (core.Current) EXPECT_EQ(core.State, core.Current->Move);
    else EXPECT_EQ(core.State, core.Game.StartState);
}

}  // namespace treetest
