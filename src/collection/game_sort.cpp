#include "collection/game_sort.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "collection/game_list_core.h"
#include "collection/game_text.h"
#include "collection/row_texts.h"
#include "collection/text_fold.h"

namespace {

struct TColumnInfo {
    std::string_view name;
    std::string_view tag;  // the tag the column shows, upper case; empty for Number
    bool numeric;
};

constexpr TColumnInfo kColumns[kGameColumnCount] = {
    {"Number", "", true},         {"White", "WHITE", false},   {"Black", "BLACK", false},
    {"White Elo", "WHITEELO", true}, {"Black Elo", "BLACKELO", true}, {"Result", "RESULT", false},
    {"Date", "DATE", true},       {"Event", "EVENT", false},   {"Site", "SITE", false},
    {"Round", "ROUND", false},     {"ECO", "ECO", false},       {"Moves", "PLYCOUNT", true},
    {"Opening", "", false},
};

std::atomic<TOpeningNamer> gOpeningNamer{nullptr};

const TColumnInfo& Info(TGameColumn c) { return kColumns[static_cast<int>(c)]; }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A signed number as an unsigned key in the same order; kNoNumber (the
// smallest int32, never a tag's value) becomes 0, the key of none.
std::uint32_t SignedKey(std::int32_t v) { return static_cast<std::uint32_t>(v) ^ 0x80000000u; }

// The value a numeric column sorts by; 0 for none.
std::uint32_t NumberKey(const TGameHeader& h, TGameColumn c, std::int32_t game) {
    switch (c) {
    case TGameColumn::Number: return static_cast<std::uint32_t>(game) + 1;
    case TGameColumn::WhiteElo: return SignedKey(h.WhiteElo);
    case TGameColumn::BlackElo: return SignedKey(h.BlackElo);
    case TGameColumn::Date:
        return h.Year == 0 ? 0 : static_cast<std::uint32_t>(h.Year) * 10000 + h.Month % 100 * 100 + h.Day % 100;
    case TGameColumn::Moves: return SignedKey(FullMoves(h.PlyCount));
    default: return 0;
    }
}

// The header text a text column sorts by.
const std::string& TextField(const TGameHeader& h, TGameColumn c) {
    static const std::string none;
    switch (c) {
    case TGameColumn::White: return h.White;
    case TGameColumn::Black: return h.Black;
    case TGameColumn::Result: return h.Result;
    case TGameColumn::Event: return h.Event;
    case TGameColumn::Site: return h.Site;
    case TGameColumn::ECO: return h.ECO;
    case TGameColumn::Round: return h.Round;
    default: return none;
    }
}

std::string TwoDigits(unsigned v) {
    if (v == 0 || v > 99) return "??";
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// Reads a file in large blocks for the headers of games met in (mostly)
// ascending order: one system call for hundreds of games. A file that shrank
// since its scan gives shorter (or empty) texts, never a fault.
class TBlockReader {
public:
    static constexpr std::size_t kBlock = 8 << 20;
    static constexpr std::size_t kMaxHeader = 4 << 20;  // bytes of a game taken for its header
    explicit TBlockReader(TByteSource* text) : text_(text), buffer_(kBlock) {}
    std::string_view Get(std::int64_t pos, std::int64_t end) {
        if (!text_ || pos < 0 || end <= pos) return {};
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(end - pos, kMaxHeader));
        if (pos < start_ || pos + static_cast<std::int64_t>(want) > start_ + static_cast<std::int64_t>(size_)) {
            start_ = pos;
            try {
                size_ = text_->ReadAt(pos, buffer_.data(), buffer_.size());
            } catch (const std::exception&) {
                size_ = 0;  // an unreadable stretch sorts as empty headers
            }
        }
        const std::size_t at = static_cast<std::size_t>(pos - start_);
        if (at >= size_) return {};
        return std::string_view(buffer_.data() + at, std::min(want, size_ - at));
    }

private:
    TByteSource* text_;
    std::vector<char> buffer_;
    std::int64_t start_ = -1;
    std::size_t size_ = 0;
};

// The header of one game as the list reads it for its row (the text is cut at
// its first NUL and trimmed), with only the tag of `upperTag` decoded into h.
void ReadHeaderTag(std::string_view text, std::string_view upperTag, TGameHeader& h) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    text = TrimBlanks(text);
    if (text.empty()) {
        HeaderFromText(h, text, false);  // "Error" - "..."
        return;
    }
    ClearEventData(h);
    // The tag section as every reader takes it (blanks inside tags, a byte
    // order mark, several tags on a line), only the named tag decoded.
    TGameTextLines lines(text);
    TTag tag;
    while (lines.NextTag(tag)) {
        if (tag.Name.size() != upperTag.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < upperTag.size() && same; ++i) same = UpperAscii(tag.Name[i]) == upperTag[i];
        if (same) ParseTagLine(h, tag.Text);
    }
}

}  // namespace

std::string NaturalSortText(std::string_view text) {
    text = TrimBlanks(text);
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < '0' || text[i] > '9') {
            out += UpperAscii(text[i++]);
            continue;
        }
        while (i + 1 < text.size() && text[i] == '0' && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
        std::size_t end = i;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        // Its length first: a longer number is a larger one. Runs of 32 digits and more count as 31.
        out += static_cast<char>(std::min<std::size_t>(end - i, 31));
        out.append(text.substr(i, end - i));
        i = end;
    }
    return out;
}

void SetOpeningNamer(TOpeningNamer namer) { gOpeningNamer = namer; }

std::string OpeningCellText(std::string_view text) {
    const TOpeningNamer namer = gOpeningNamer;
    if (!namer) return {};
    text = text.substr(0, std::min(text.size(), kOpeningTextBytes));
    text = TrimBlanks(text.substr(0, text.find('\0')));
    return text.empty() ? std::string() : namer(text);
}

std::string OpeningCellOfGame(TGameListCore& list, std::int32_t game) {
    if (!gOpeningNamer) return {};
    try {
        std::string text;
        if (list.DatabaseMode()) {
            bool deleted = false;
            list.ReadGameText(game, deleted, text);
        } else if (const std::shared_ptr<TByteSource> source = list.Source()) {
            const GameEntry e = list.Entry(game);
            text.resize(static_cast<std::size_t>(
                std::clamp<std::int64_t>(e.EndPos - e.StartPos, 0, static_cast<std::int64_t>(kOpeningTextBytes))));
            text.resize(source->ReadAt(e.StartPos, text.data(), text.size()));
        }
        return OpeningCellText(text);
    } catch (...) {
        return {};  // an unreadable game has no name
    }
}

std::string_view GameColumnName(TGameColumn column) { return Info(column).name; }

bool GameColumnFromName(std::string_view name, TGameColumn& column) {
    auto squeeze = [](std::string_view s) {
        std::string out;
        for (char c : s)
            if (c != ' ' && c != '_' && c != '-') out += UpperAscii(c);
        return out;
    };
    const std::string wanted = squeeze(name);
    for (int i = 0; i < kGameColumnCount; ++i)
        if (!wanted.empty() && squeeze(kColumns[i].name) == wanted) {
            column = static_cast<TGameColumn>(i);
            return true;
        }
    return false;
}

bool IsNumericColumn(TGameColumn column) { return Info(column).numeric; }

std::string GameCellText(const TGameHeader& h, TGameColumn c, std::int32_t game) {
    switch (c) {
    case TGameColumn::Number: return std::to_string(static_cast<long long>(game) + 1);
    case TGameColumn::Result: return DisplayUtf8(h.Result == "1/2-1/2" ? std::string("1/2") : h.Result);
    case TGameColumn::Date:
        if (h.Year == 0) return {};
        if (h.Month == 0 && h.Day == 0) return std::to_string(h.Year);
        return std::to_string(h.Year) + "." + TwoDigits(h.Month) + "." + TwoDigits(h.Day);
    case TGameColumn::Round: return h.Round == "?" ? std::string() : DisplayUtf8(h.Round);
    case TGameColumn::WhiteElo:
    case TGameColumn::BlackElo:
    case TGameColumn::Moves: {
        const std::int32_t v = c == TGameColumn::Moves ? FullMoves(h.PlyCount)
                               : c == TGameColumn::WhiteElo ? h.WhiteElo : h.BlackElo;
        return v == kNoNumber ? std::string() : std::to_string(v);
    }
    default: break;
    }
    const std::string& text = TextField(h, c);
    return text == "?" ? std::string() : DisplayUtf8(text);
}

// ---- keys --------------------------------------------------------------------

std::string TSortKeys::Folded(const TGameHeader& h) const {
    const std::string& field = TextField(h, column_);
    return field == "?" ? std::string() : column_ == TGameColumn::Round ? NaturalSortText(field) : FoldForSort(field);
}

void TSortKeys::Add(const TGameHeader& h, std::int32_t game) {
    if (IsNumericColumn(column_)) {
        numbers_.push_back(NumberKey(h, column_, game));
        return;
    }
    AddFolded(Folded(h));
}

void TSortKeys::AddText(std::string_view text) { AddFolded(FoldForSort(text)); }

namespace {

// The first 8 bytes of a folded key, big-endian: they compare as the text does.
std::uint64_t PrefixOf(const std::string& folded) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
        prefix = prefix << 8 | (i < folded.size() ? static_cast<unsigned char>(folded[i]) : 0u);
    return prefix;
}

}  // namespace

void TSortKeys::AddFolded(const std::string& folded) {
    prefixes_.push_back(PrefixOf(folded));
    AddRest(folded);
}

void TSortKeys::AddRest(const std::string& folded) {
    // Only what follows the prefix is kept as text.
    if (folded.size() > 8) text_.append(folded, 8);
    AddEnd(text_.size());
}

void TSortKeys::Grow(std::size_t n) {
    if (IsNumericColumn(column_)) numbers_.resize(numbers_.size() + n);
    else prefixes_.resize(prefixes_.size() + n);
}

void TSortKeys::Set(std::size_t i, const TGameHeader& h, std::int32_t game, TSortKeys& rests) {
    if (IsNumericColumn(column_)) {
        numbers_[i] = NumberKey(h, column_, game);
        return;
    }
    const std::string folded = Folded(h);
    prefixes_[i] = PrefixOf(folded);
    rests.AddRest(folded);
}

void TSortKeys::SetText(std::size_t i, std::string_view text, TSortKeys& rests) {
    const std::string folded = FoldForSort(text);
    prefixes_[i] = PrefixOf(folded);
    rests.AddRest(folded);
}

void TSortKeys::TakeRests(TSortKeys& rests, std::size_t count) {
    if (IsNumericColumn(column_)) return;
    // The ends of every key at once, when the first text comes.
    if (!rests.text_.empty() && ends_.empty() && wideEnds_.empty()) ends_.reserve(Size());
    text_.reserve(text_.size() + rests.text_.size());
    const std::uint64_t base = text_.size();
    for (std::size_t k = 0; k < count; ++k) AddEnd(base + rests.End(k));
    text_ += rests.text_;
    rests = TSortKeys(column_);
}

void TSortKeys::AddEnd(std::uint64_t end) {
    if (ends_.empty() && wideEnds_.empty()) {
        if (end == 0) {
            ++emptyTexts_;
            return;
        }
        ends_.assign(emptyTexts_, 0);  // the first text that is not empty
    }
    if (wideEnds_.empty() && end > UINT32_MAX) {
        wideEnds_.assign(ends_.begin(), ends_.end());
        ends_ = {};
    }
    if (wideEnds_.empty()) ends_.push_back(static_cast<std::uint32_t>(end));
    else wideEnds_.push_back(end);
}

std::size_t TSortKeys::Size() const { return IsNumericColumn(column_) ? numbers_.size() : prefixes_.size(); }

bool TSortKeys::Empty(std::size_t i) const { return IsNumericColumn(column_) ? numbers_[i] == 0 : prefixes_[i] == 0; }

int TSortKeys::Compare(std::size_t i, std::size_t j) const {
    if (IsNumericColumn(column_)) return numbers_[i] < numbers_[j] ? -1 : numbers_[i] > numbers_[j] ? 1 : 0;
    if (prefixes_[i] != prefixes_[j]) return prefixes_[i] < prefixes_[j] ? -1 : 1;
    const std::string_view a(text_.data() + Start(i), End(i) - Start(i));
    const std::string_view b(text_.data() + Start(j), End(j) - Start(j));
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// ---- reading -----------------------------------------------------------------

TSortSource SortSourceOf(TGameListCore& list, std::vector<std::int32_t> games) {
    TSortSource s;
    s.Database = list.DatabaseMode();
    s.Path = list.FileName();
    s.Text = list.Source();
    s.Games = std::move(games);
    if (!s.Database) s.Bounds = list.BoundsView();
    return s;
}

bool ReadFileSortKeys(const TSortSource& source, TSortKeys& keys, const TSortProgress& progress, unsigned threads) {
    const TGameColumn column = keys.Column();
    const std::size_t n = source.Games.size();
    TGameHeader blank;
    if (column == TGameColumn::Number) {
        for (std::int32_t g : source.Games) keys.Add(blank, g);
        return true;
    }
    if (threads == 0) threads = n < 20000 ? 1 : std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::atomic<bool> cancelled{false};
    std::atomic<std::size_t> done{0};
    // Each thread sets the keys of its stretch in place; only the texts past
    // the prefixes are gathered apart, and taken over stretch by stretch.
    const std::size_t base = keys.Size();
    keys.Grow(n);
    std::vector<TSortKeys> rests(threads, TSortKeys(column));
    auto work = [&](unsigned part) {
        TGameHeader h;
        const std::size_t from = n * part / threads, to = n * (part + 1) / threads;
        const std::string_view tag = Info(column).tag;
        TBlockReader reader(source.Text.get());
        for (std::size_t i = from; i < to; ++i) {
            if ((i - from) % 4096 == 4095) {
                done += 4096;
                if (cancelled) return;
                if (part == 0 && progress && !progress(static_cast<int>(done * 100 / n))) cancelled = true;
            }
            // The header is at the start: a game of gigabytes is not read through.
            const std::size_t g = static_cast<std::size_t>(source.Games[i]);
            const bool known = g + 1 < source.Bounds.Count;
            const std::int64_t start = known ? source.Bounds.At(g) : 0;
            const std::int64_t length = known ? std::clamp<std::int64_t>(source.Bounds.At(g + 1) - start, 0,
                                                                         TBlockReader::kMaxHeader)
                                              : 0;
            if (column == TGameColumn::Opening) {
                const std::int64_t opening = std::min<std::int64_t>(length, kOpeningTextBytes);
                keys.SetText(base + i, OpeningCellText(reader.Get(start, start + opening)), rests[part]);
                continue;
            }
            ReadHeaderTag(reader.Get(start, start + length), tag, h);
            keys.Set(base + i, h, source.Games[i], rests[part]);
        }
    };
    if (threads == 1) {
        work(0);
    } else {
        std::vector<std::thread> pool;
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work, t);
        work(0);
        for (std::thread& t : pool) t.join();
    }
    if (cancelled) return false;
    for (unsigned p = 0; p < threads; ++p) keys.TakeRests(rests[p], n * (p + 1) / threads - n * p / threads);
    if (progress) progress(100);
    return true;
}

void ReadListSortKeys(TGameListCore& list, const TSortSource& source, std::size_t from, std::size_t to, TSortKeys& keys) {
    for (std::size_t i = from; i < to && i < source.Games.size(); ++i) {
        const std::int32_t g = source.Games[i];
        if (keys.Column() == TGameColumn::Opening) {
            keys.AddText(OpeningCellOfGame(list, g));
            continue;
        }
        if (keys.Column() != TGameColumn::Number) list.LoadRowHeader(g);
        keys.Add(list.CurrentHeader, g);
    }
}

namespace {

// The positions of the keys in table order, ties broken by byGame(a, b).
template <class TByGame>
std::vector<std::int32_t> SortPositions(const TSortKeys& keys, bool descending, TByGame byGame) {
    std::vector<std::int32_t> known, empty;
    known.reserve(keys.Size());
    for (std::size_t i = 0; i < keys.Size(); ++i)
        (keys.Empty(i) ? empty : known).push_back(static_cast<std::int32_t>(i));
    std::sort(known.begin(), known.end(), [&](std::int32_t a, std::int32_t b) {
        int c = keys.Compare(static_cast<std::size_t>(a), static_cast<std::size_t>(b));
        if (descending) c = -c;
        return c != 0 ? c < 0 : byGame(a, b);
    });
    std::sort(empty.begin(), empty.end(), byGame);
    known.insert(known.end(), empty.begin(), empty.end());
    return known;
}

}  // namespace

std::vector<std::int32_t> SortedPositions(const std::vector<std::int32_t>& games, const TSortKeys& keys,
                                          bool descending) {
    return SortPositions(keys, descending, [&](std::int32_t a, std::int32_t b) {
        return games[static_cast<std::size_t>(a)] < games[static_cast<std::size_t>(b)];
    });
}

std::vector<std::int32_t> SortedPositions(const TSortKeys& keys, bool descending) {
    return SortPositions(keys, descending, [](std::int32_t a, std::int32_t b) { return a < b; });
}

std::vector<std::int32_t> SortListGames(TGameListCore& list, TGameColumn column, bool descending) {
    std::vector<std::int32_t> games;
    games.reserve(static_cast<std::size_t>(list.RowCount()));
    for (std::int32_t r = 0; r < list.RowCount(); ++r) games.push_back(list.GameIndexOfRow(r));
    TSortSource source = SortSourceOf(list, std::move(games));
    TSortKeys keys(column);
    if (source.Database) ReadListSortKeys(list, source, 0, source.Games.size(), keys);
    else ReadFileSortKeys(source, keys);
    source.Bounds = {};
    // Every game in its order (no filter): the positions are the games, and
    // the list of games goes before the sort.
    bool all = true;
    for (std::size_t i = 0; i < source.Games.size() && all; ++i) all = source.Games[i] == static_cast<std::int32_t>(i);
    if (all) {
        source.Games = {};
        return SortedPositions(keys, descending);
    }
    std::vector<std::int32_t> order = SortedPositions(source.Games, keys, descending);
    for (std::int32_t& p : order) p = source.Games[static_cast<std::size_t>(p)];
    return order;
}
