#include "notation/eval_series.h"

#include <algorithm>
#include <cmath>

#include "notation/comment_commands.h"

int TEvalSeries::IndexOf(const TMoveNode* current) const {
    // Up a variation's moves to the move it replaces, and so on out to the main line.
    for (const TMoveNode* n = current; n; n = n->Prev)
        if (auto it = Index.find(n); it != Index.end()) return it->second;
    return -1;
}

TEvalSeries MainLineSeries(const TNotationCore& core) {
    TEvalSeries s;
    if (!core.Root) return s;
    const TScoreView view = EngineScoreView(core);
    s.FirstMoveNo = core.Game.StartMoveNo;
    for (TMoveNode* n = core.Root->FirstMove; n; n = n->Next) {
        TGraphPoint p;
        p.Move = n;
        p.Side = n->Move.Side == Black ? White : Black;
        if (!n->Comment.empty()) {
            const TCommentCommands k = ReadCommentCommands(n->Comment, EngineSign(view, p.Side));
            if (k.HasEval) {
                p.HasEval = true;
                p.Mate = k.Mate != 0;
                const double pawns = p.Mate ? (k.Mate > 0 ? kGraphPawns : -kGraphPawns) : k.EvalCp / 100.0;
                p.Pawns = std::clamp(pawns, -kGraphPawns, kGraphPawns);
                s.AnyEval = true;
            }
            if (k.ClockMs >= 0) {
                p.ClockMs = k.ClockMs;
                s.AnyClock = true;
                s.MaxClockMs = std::max(s.MaxClockMs, k.ClockMs);
            }
        }
        s.Index.emplace(n, static_cast<int>(s.Points.size()));
        s.Points.push_back(p);
    }
    for (const TGraphPoint& p : s.Points)
        if (p.HasEval && !p.Mate) s.Range = std::max(s.Range, std::min(kGraphPawns, std::ceil(std::abs(p.Pawns) - 1e-9)));
    for (TGraphPoint& p : s.Points)
        if (p.HasEval) p.Pawns = p.Mate ? (p.Pawns > 0 ? s.Range : -s.Range) : std::clamp(p.Pawns, -s.Range, s.Range);
    return s;
}
