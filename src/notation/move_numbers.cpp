#include "notation/move_numbers.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

// The half-move clock of a FEN text (its fifth field); 0 when it has none.
int ClockOfFen(std::string_view fen) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < fen.size() && fields.size() < 6) {
        while (i < fen.size() && fen[i] == ' ') ++i;
        size_t start = i;
        while (i < fen.size() && fen[i] != ' ') ++i;
        if (i > start) fields.push_back(fen.substr(start, i - start));
    }
    if (fields.size() < 5 || fields[4].size() > 4) return 0;
    int clock = 0;
    for (char c : fields[4]) {
        if (c < '0' || c > '9') return 0;
        clock = clock * 10 + (c - '0');
    }
    return clock;
}

}  // namespace

TMoveNumbers CurrentMoveNumbers(const TNotationCore& core) {
    std::vector<const TMoveNode*> path;
    for (const TMoveNode* n = core.Current; n;) {
        path.push_back(n);
        const TMoveNode* m = n;
        while (IsVariationStart(m)) m = m->Prev;
        n = m->Prev;
    }
    const TGameData& game = core.Game;
    TBoard board = game.StartPosition;
    int clock = ClockOfFen(game.Header.FEN);
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const TMoveRecord& z = (*it)->Move;
        const bool pawn = IsRealSquare(z.FromSq) && std::abs(board[z.FromSq]) == Pawn;
        // (A castling's EpVictim names its rook; a castling captures nothing.)
        const bool capture = z.CastleKind == 0 && (z.Captured != 0 || z.EpVictim != 0 ||
                                                   (IsRealSquare(z.ToSq) && board[z.ToSq] != 0));
        clock = pawn || capture ? 0 : clock + 1;
        MakeMove(board, z);
    }
    const long long plies = 2LL * (game.StartMoveNo > 0 ? game.StartMoveNo - 1 : 0) +
                            (game.StartState.Side == Black ? 1 : 0) + static_cast<long long>(path.size());
    TMoveNumbers numbers;
    numbers.FullMove = static_cast<int>(plies / 2 + 1);
    numbers.HalfMoveClock = clock;
    return numbers;
}
