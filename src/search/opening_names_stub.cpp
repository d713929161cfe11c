// TEMPORARY stand-in for the opening names until the real table lands: a
// handful of lines, enough to see a name in the viewer. Delete once
// src/search/opening_names.cpp is merged.
#include <map>
#include <mutex>

#include "notation/notation_core.h"
#include "rules/position_key.h"
#include "search/opening_names.h"

namespace {

const std::map<uint64_t, TOpeningName>& Table() {
    static const std::map<uint64_t, TOpeningName> table = [] {
        std::map<uint64_t, TOpeningName> t;
        const struct {
            const char *Eco, *Name, *Moves;
        } lines[] = {
            {"B00", "King's Pawn Game", "1. e4 *"},
            {"C20", "King's Pawn Game", "1. e4 e5 *"},
            {"C40", "King's Knight Opening", "1. e4 e5 2. Nf3 *"},
            {"B20", "Sicilian Defense", "1. e4 c5 *"},
            {"B27", "Sicilian Defense", "1. e4 c5 2. Nf3 *"},
            {"A40", "Queen's Pawn Game", "1. d4 *"},
            {"A45", "Indian Defense", "1. d4 Nf6 *"},
            {"A04", "Zukertort Opening", "1. Nf3 *"},
        };
        for (const auto& l : lines) {
            TNotationCore core;
            core.LoadGame(l.Moves);
            core.ToEnd();
            t[PositionKey(core.Board, core.State)] = TOpeningName{l.Eco, l.Name};
        }
        return t;
    }();
    return table;
}

}  // namespace

const TOpeningName* OpeningOfPosition(uint64_t positionKey) {
    const auto& t = Table();
    const auto it = t.find(positionKey);
    return it == t.end() ? nullptr : &it->second;
}

TOpeningName OpeningOfGame(std::string_view) { return {}; }
size_t OpeningCount() { return Table().size(); }
