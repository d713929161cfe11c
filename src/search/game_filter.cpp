// The filter's criteria and their judge.
#include "search/game_filter.h"

#include <cctype>

#include "collection/row_texts.h"
#include "collection/text_fold.h"
#include "notation/notation_core.h"
#include "search/opening_names.h"

namespace {

bool Contains(std::string_view field, const std::string& foldedNeedle) {
    return foldedNeedle.empty() || FoldForSort(field).find(foldedNeedle) != std::string::npos;
}

bool ParseYear(std::string_view text, int& year) {
    if (text.empty() || text.size() > 4) return false;
    year = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        year = year * 10 + (c - '0');
    }
    return year > 0;
}

bool IsEcoCode(const std::string& code) {
    return code.size() == 3 && code[0] >= 'A' && code[0] <= 'E' && std::isdigit(static_cast<unsigned char>(code[1])) &&
           std::isdigit(static_cast<unsigned char>(code[2]));
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// FNV-1a over the bytes, for the duplicate key.
struct THash {
    uint64_t value = 1469598103934665603ull;
    void Add(std::string_view bytes) {
        for (unsigned char c : bytes) value = (value ^ c) * 1099511628211ull;
        value = (value ^ 0xFF) * 1099511628211ull;  // a field's end
    }
    void Add(int8_t b) { value = (value ^ static_cast<uint8_t>(b)) * 1099511628211ull; }
};

}  // namespace

bool TFilterCriteria::Any() const {
    return !White.empty() || !Black.empty() || !Player.empty() || EloMin > 0 || YearFrom > 0 || YearTo > 0 ||
           !Result.empty() || !EcoFrom.empty() || !Opening.empty() || MovesMin >= 0 || MovesMax >= 0 || HasPosition || NoDuplicates;
}

bool TFilterCriteria::HeaderOnly() const {
    return !HasPosition && !NoDuplicates && MovesMin < 0 && MovesMax < 0 && Opening.empty();
}

std::string TFilterCriteria::Describe() const {
    std::vector<std::string> parts;
    if (!White.empty()) parts.push_back("White: " + White);
    if (!Black.empty()) parts.push_back("Black: " + Black);
    if (!Player.empty())
        parts.push_back(std::string(PlayerSide == TPlayerSide::White   ? "player as White: "
                                    : PlayerSide == TPlayerSide::Black ? "player as Black: "
                                                                       : "player: ") +
                        Player);
    if (EloMin > 0) parts.push_back("Elo \u2265 " + std::to_string(EloMin));
    if (YearFrom > 0 || YearTo > 0)
        parts.push_back("years " + (YearFrom > 0 ? std::to_string(YearFrom) : std::string()) + "\u2013" +
                        (YearTo > 0 ? std::to_string(YearTo) : std::string()));
    if (!Result.empty()) parts.push_back("result " + Result);
    if (!EcoFrom.empty()) parts.push_back("ECO " + EcoFrom + "\u2013" + EcoTo);
    if (!Opening.empty()) parts.push_back("opening: " + Opening);
    if (MovesMin >= 0 || MovesMax >= 0)
        parts.push_back("moves " + (MovesMin >= 0 ? std::to_string(MovesMin) : std::string()) + "\u2013" +
                        (MovesMax >= 0 ? std::to_string(MovesMax) : std::string()));
    if (HasPosition) parts.push_back("the position");
    if (NoDuplicates) parts.push_back("no duplicates");
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

bool ParseYearRange(std::string_view text, int& from, int& to) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        if (!ParseYear(text, from)) return false;
        to = from;
        return true;
    }
    from = to = 0;
    const std::string_view a = text.substr(0, dash), b = text.substr(dash + 1);
    if (a.empty() && b.empty()) return false;
    if (!a.empty() && !ParseYear(a, from)) return false;
    if (!b.empty() && !ParseYear(b, to)) return false;
    return to == 0 || from <= to;
}

bool ParseEcoRange(std::string_view text, std::string& from, std::string& to) {
    const size_t dash = text.find('-');
    from = Upper(text.substr(0, dash));
    to = dash == std::string_view::npos ? from : Upper(text.substr(dash + 1));
    return IsEcoCode(from) && IsEcoCode(to) && from <= to;
}

bool ParseResult(std::string_view text, std::string& result) {
    if (text == "1/2" || text == "draw" || text == "=") text = "1/2-1/2";
    if (text != "1-0" && text != "0-1" && text != "1/2-1/2" && text != "*") return false;
    result = text;
    return true;
}

TGameFilter::TGameFilter(const TFilterCriteria& criteria)
    : criteria_(criteria),
      white_(FoldForSort(criteria.White)),
      black_(FoldForSort(criteria.Black)),
      player_(FoldForSort(criteria.Player)),
      opening_(FoldForSort(criteria.Opening)) {
    header_.OtherTags = &otherTags_;
    if (criteria.HasPosition) position_ = std::make_unique<TPositionMatcher>(criteria.Position);
    if (criteria.NoDuplicates || criteria.MovesMin >= 0 || criteria.MovesMax >= 0) {
        loader_ = std::make_unique<TNotationCore>();
        loader_->KeepComments = false;  // only the moves count
    }
}

TGameFilter::~TGameFilter() = default;

bool TGameFilter::HeaderPasses() const {
    const TFilterCriteria& c = criteria_;
    const TGameHeader& h = header_;
    if (!Contains(h.White, white_) || !Contains(h.Black, black_)) return false;
    if (!player_.empty()) {
        const bool asWhite = c.PlayerSide != TPlayerSide::Black && Contains(h.White, player_);
        const bool asBlack = c.PlayerSide != TPlayerSide::White && Contains(h.Black, player_);
        if (!asWhite && !asBlack) return false;
    }
    if (c.EloMin > 0 && (h.WhiteElo < c.EloMin || h.BlackElo < c.EloMin)) return false;
    if (c.YearFrom > 0 || c.YearTo > 0) {
        if (h.Year == 0 || (c.YearFrom > 0 && h.Year < c.YearFrom) || (c.YearTo > 0 && h.Year > c.YearTo))
            return false;
    }
    if (!c.Result.empty() && TrimBlanks(h.Result) != c.Result) return false;
    if (!c.EcoFrom.empty()) {
        const std::string eco = Upper(TrimBlanks(h.ECO).substr(0, 3));
        if (!IsEcoCode(eco) || eco < c.EcoFrom || eco > c.EcoTo) return false;
    }
    return true;
}

bool TGameFilter::MovesPass(std::string_view gameText, uint64_t& key) {
    const int loaded = loader_->LoadGame(gameText);
    if (loaded == lgTooLarge || loaded == lgNoMemory) return false;
    THash hash;
    int plies = 0;
    for (const TMoveNode* m = loader_->HasGame() ? loader_->Root->FirstMove : nullptr; m; m = m->Next) {
        ++plies;
        hash.Add(m->Move.FromSq);
        hash.Add(m->Move.ToSq);
        hash.Add(m->Move.Promotion);
        hash.Add(m->Move.CastleKind);
    }
    const int moves = (plies + 1) / 2;
    if (criteria_.MovesMin >= 0 && moves < criteria_.MovesMin) return false;
    if (criteria_.MovesMax >= 0 && moves > criteria_.MovesMax) return false;
    if (criteria_.NoDuplicates) {
        hash.Add(loader_->Game.Header.FEN);  // the same moves from another start are another game
        hash.Add(FoldForSort(header_.White));
        hash.Add(FoldForSort(header_.Black));
        hash.Add(TrimBlanks(header_.Result));
        key = hash.value;
    }
    return true;
}

bool TGameFilter::Passes(std::string_view gameText, TSearchHit& hit) {
    HeaderFromText(header_, gameText, false);
    if (!HeaderPasses()) return false;
    if (!opening_.empty()) {
        const TOpeningName opening = OpeningOfGame(gameText);
        if (opening.Eco.empty() || !Contains(opening.Eco + " " + opening.Name, opening_)) return false;
    }
    if (loader_ && !MovesPass(gameText, hit.Key)) return false;
    if (position_) {
        position_->Search(gameText, hit.Plies);
        if (hit.Plies.empty()) return false;
    }
    return true;
}

std::function<TGameMatcher()> FilterMatchers(const TFilterCriteria& criteria, bool rowTexts) {
    return [criteria, rowTexts]() -> TGameMatcher {
        auto filter = std::make_shared<TGameFilter>(criteria);
        return [filter, rowTexts](std::string_view text, TSearchHit& hit) {
            if (!filter->Passes(text, hit)) return false;
            if (rowTexts) {
                const TRowTexts t = ComposeRowTexts(filter->Header(), hit.Game);
                hit.Text = std::to_string(hit.Game + 1);
                for (const std::string* field : {&t.Player, &t.Source, &t.Year, &t.Result}) {
                    hit.Text += '\t';
                    hit.Text += DisplayUtf8(*field);
                }
                hit.Text += '\n';
            }
            return true;
        };
    };
}
