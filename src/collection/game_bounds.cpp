#include "collection/game_bounds.h"

#include <algorithm>

#include "collection/game_bounds_scan.h"

// The first pass for processors with AVX2 and AVX-512BW
// (game_bounds_avx2.cpp, game_bounds_avx512.cpp).
void ClassifyAvx2(const char* data, std::size_t n, TWindowArrays masks);
void ClassifyAvx512(const char* data, std::size_t n, TWindowArrays masks);

namespace {

#if defined(__SSE2__)
struct TSse2Masker {
    static std::uint64_t Bits(__m128i eq, int k) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(eq))) << (16 * k);
    }
    static TWindowMasks Masks(const char* p) {
        std::uint64_t feeds = 0, returns = 0;
        TWindowMasks m;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            const __m128i lf = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
            const __m128i cr = _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'));
            const __m128i blank = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(' ')), _mm_set1_epi8(' '));
            const __m128i starts = _mm_or_si128(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('[')), _mm_cmpeq_epi8(v, _mm_set1_epi8('%'))),
                             _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(kBom[0])))),
                _mm_andnot_si128(_mm_or_si128(lf, cr), blank));
            feeds |= Bits(lf, k);
            returns |= Bits(cr, k);
            m.Marks |= Bits(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('{')), _mm_cmpeq_epi8(v, _mm_set1_epi8(';'))), k);
            m.Starts |= Bits(starts, k);
            m.Closes |= Bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('}')), k);
            m.Opens |= Bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('{')), k);
        }
        m.LineEnds = feeds | (returns & ~(feeds >> 1));
        return m;
    }
};
using TBaseMasker = TSse2Masker;
#endif
struct TScalarMasker {
    static TWindowMasks Masks(const char* p) { return ScalarMasks(p, 64); }
};
#if !defined(__SSE2__)
using TBaseMasker = TScalarMasker;
#endif

void ClassifyBase(const char* data, std::size_t n, TWindowArrays masks) {
    ClassifyWindows<TBaseMasker>(data, n, masks);
}

using TClassify = TClassifyFn;

TClassify BestClassify() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx512bw")) return &ClassifyAvx512;
    if (__builtin_cpu_supports("avx2")) return &ClassifyAvx2;
#endif
    return &ClassifyBase;
}

const TClassify kClassify = BestClassify();

// ---- tag names ----------------------------------------------------------------

// The key of a tag name for the hash set.
inline std::uint64_t KeyOf(const TTagName& name) {
    if (name.Length == TTagName::kLongName) return name.Key;
    std::uint64_t h = name.Text[1] * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    return name.Text[0] ^ (h * 0xBF58476D1CE4E5B9ull);
}

// The name of `length` bytes at p (a blank and the quote follow it).
inline TTagName NameAt(const char* p, std::size_t length) {
    TTagName name;
    if (length <= 14) {
        unsigned char text[16] = {}, mask[16] = {};
        std::memcpy(text, p, length);
        text[length] = ' ';
        text[length + 1] = '"';
        std::memset(mask, 0xFF, length + 2);
        std::memcpy(name.Text, text, 16);
        std::memcpy(name.Mask, mask, 16);
        name.Length = static_cast<std::uint8_t>(length);
    } else {
        std::uint64_t h = 1469598103934665603ull;
        for (std::size_t k = 0; k < length; ++k) h = (h ^ static_cast<unsigned char>(p[k])) * 1099511628211ull;
        name.Key = h;
        name.Length = TTagName::kLongName;
    }
    return name;
}

inline bool SameName(const TTagName& a, const TTagName& b) {
    return a.Length != TTagName::kLongName && a.Length == b.Length && a.Text[0] == b.Text[0] &&
           a.Text[1] == b.Text[1];
}

// Do the 16 bytes at p begin with the name, a blank and the quote of `name`?
inline bool StartsWithName(const char* p, const TTagName& name) {
    if (name.Length == TTagName::kLongName) return false;
    std::uint64_t w[2];
    std::memcpy(w, p, 16);
    return ((w[0] & name.Mask[0]) == name.Text[0]) & ((w[1] & name.Mask[1]) == name.Text[1]);
}

enum class TTagStart { Tag, NotTag, NeedMore };

// Decides whether the "[" at p[0] starts a tag (game_text.h: TagNameLength),
// looking at no more than n bytes.
inline TTagStart ScanTagStart(const char* p, std::size_t n, TTagName& name) {
    std::size_t from = 1;
    while (from < n && from < 256 && IsIndentByte(p[from])) ++from;
    if (from >= n) return TTagStart::NeedMore;
    if (!IsTagNameStart(p[from])) return TTagStart::NotTag;
    std::size_t j = from + 1;
    while (j < n && j - from < 255 && IsTagNameByte(p[j])) ++j;
    if (j == n) return TTagStart::NeedMore;
    if (!IsIndentByte(p[j])) return TTagStart::NotTag;
    const std::size_t length = j - from;
    while (j < n && IsIndentByte(p[j])) ++j;
    if (j == n) return TTagStart::NeedMore;
    if (p[j] != '"') return TTagStart::NotTag;
    name = NameAt(p + from, length);
    return TTagStart::Tag;
}

// Sections keep at most this many names for the comparison with the next.
constexpr std::size_t kKeptNames = 256;
// How far a name is looked for in the list past the last one found.
constexpr std::size_t kLookAhead = 8;

// Where `name` (or the tag line at p) stands in the list at or after the
// last name found, within kLookAhead; the list's size if it does not.
inline std::size_t FindInList(const TBoundsState& s, const TTagName& name) {
    const std::size_t from = s.MatchedAt.empty() ? 0 : s.MatchedAt.back() + 1u;
    const std::size_t to = std::min(s.List.size(), from + kLookAhead);
    for (std::size_t q = from; q < to; ++q)
        if (SameName(name, s.List[q])) return q;
    return s.List.size();
}
inline std::size_t FindLineInList(const TBoundsState& s, const char* p) {
    const std::size_t from = s.MatchedAt.empty() ? 0 : s.MatchedAt.back() + 1u;
    const std::size_t to = std::min(s.List.size(), from + kLookAhead);
    for (std::size_t q = from; q < to; ++q)
        if (StartsWithName(p, s.List[q])) return q;
    return s.List.size();
}

// A game starts at the tag line at stream offset `at`; the section that
// ends with the last game becomes the list when it went its own way.
inline void StartGame(TBoundsState& s, bool& hasBody, std::int64_t at) {
    s.Starts.push_back(at);
    s.InGame = true;
    hasBody = false;
    if (!s.SameAsList) s.List.swap(s.Section);
    s.Section.clear();
    s.MatchedAt.clear();
    s.SameAsList = true;
}

// A tag line at stream offset `at`: it starts a game when no game has
// started yet, when the current one has movetext, or when its section
// already has a tag of this name.
inline void OnTag(TBoundsState& s, bool& hasBody, std::int64_t at, const TTagName& name) {
    bool start = !s.InGame || hasBody;
    if (!start && !s.SameAsList) {
        if (s.Names.Insert(KeyOf(name))) {
            if (s.Section.size() < kKeptNames) s.Section.push_back(name);
            return;
        }
        start = true;  // a repeat
    }
    if (start) StartGame(s, hasBody, at);
    const std::size_t q = FindInList(s, name);
    if (q < s.List.size()) {
        s.MatchedAt.push_back(static_cast<std::uint16_t>(q));
        return;
    }
    // The section goes its own way from here.
    s.SameAsList = false;
    s.Section.clear();
    for (std::uint16_t k : s.MatchedAt) s.Section.push_back(s.List[k]);
    s.Names.Clear();
    for (const TTagName& earlier : s.Section) s.Names.Insert(KeyOf(earlier));
    if (!s.Names.Insert(KeyOf(name))) {
        // A repeat of a name found in the list before: a new game. The list
        // it starts with holds the name, so this goes no deeper.
        OnTag(s, hasBody, at, name);
        return;
    }
    if (s.Section.size() < kKeptNames) s.Section.push_back(name);
}

// The tag line whose "[" is at p, at stream offset `at`, with n bytes
// readable from p. A name found further on in the list is taken at once (as
// is the list's first name when a new game begins); any other is read
// whole. False when the end of the bytes leaves it undecided.
inline bool ReadTagLine(TBoundsState& s, bool& hasBody, const char* p, std::size_t n, std::int64_t at) {
    if (n >= 17 && s.InGame) {
        if (hasBody) {
            if (s.SameAsList ? !s.List.empty() && StartsWithName(p + 1, s.List[0])
                             : !s.Section.empty() && StartsWithName(p + 1, s.Section[0])) {
                StartGame(s, hasBody, at);
                s.MatchedAt.push_back(0);
                return true;
            }
        } else if (s.SameAsList) {
            const std::size_t q = FindLineInList(s, p + 1);
            if (q < s.List.size()) {
                s.MatchedAt.push_back(static_cast<std::uint16_t>(q));
                return true;
            }
        }
    }
    TTagName name;
    const TTagStart r = ScanTagStart(p, n, name);
    if (r == TTagStart::NeedMore) return false;
    if (r == TTagStart::Tag) OnTag(s, hasBody, at, name);
    return true;
}

// ---- the walk -------------------------------------------------------------------

// The walk's steps are kept in the loop (always inlined): it is the
// scanner's hot loop.
#define QUARZEL_HOT [[gnu::always_inline]] inline

// The state machine over data[0, n), whose masks are one entry per window
// from data on: the mode and flags of the state held in locals while the
// bytes are walked.
struct TWalk {
    using M = TBoundsState;
    TBoundsState& s;
    const char* const data;
    const std::size_t n;
    const std::size_t windows;
    const std::uint64_t* const ends;
    const std::uint64_t* const events;
    const std::uint64_t* const closes;
    const std::uint64_t* const opens;
    M::TMode mode;
    bool column0;
    bool hasBody;
    bool content;
    std::size_t i = 0;

    TWalk(TBoundsState& state, const char* bytes, std::size_t size, const TWindowArrays& m)
        : s(state), data(bytes), n(size), windows((size + 63) / 64), ends(m.Ends), events(m.Events),
          closes(m.Closes), opens(m.Opens), mode(state.Mode), column0(state.Column0),
          hasBody(state.GameHasBody), content(state.Content) {}

    // Line starts of window w; the first window's first byte is known from the mode.
    QUARZEL_HOT std::uint64_t Lines(std::size_t w) const { return (ends[w] << 1) | (w > 0 ? ends[w - 1] >> 63 : 0); }

    // The first bit at or after `from` of a per-window mask array; n if none.
    QUARZEL_HOT std::size_t First(const std::uint64_t* masks, std::size_t from) const {
        std::size_t w = from >> 6;
        std::uint64_t bits = masks[w] & (~std::uint64_t{0} << (from & 63));
        while (!bits) {
            if (++w == windows) return n;
            bits = masks[w];
        }
        const std::size_t at = (w << 6) + static_cast<std::size_t>(__builtin_ctzll(bits));
        return at < n ? at : n;
    }

    // Movetext: from one stop to the next; a comment is passed over here.
    QUARZEL_HOT void Body() {
        for (;;) {
            const std::size_t j = First(events, i);
            if (j == n) {
                i = n;
                return;
            }
            // A "{" is known from its mask, without a look at the byte.
            if ((opens[j >> 6] >> (j & 63)) & 1) {
                const std::size_t k = j + 1 < n ? First(closes, j + 1) : n;
                if (k == n) {
                    mode = M::Comment;
                    i = n;
                    return;
                }
                i = k + 1;
                if (i == n) return;
                continue;
            }
            if (data[j] == ';') {
                mode = M::SkipLine;
                i = j + 1;
            } else {
                mode = M::LineStart;  // a line that begins with "[", "%" or an indent
                column0 = true;
                i = j;
            }
            return;
        }
    }

    QUARZEL_HOT void Comment() {
        const std::size_t j = First(closes, i);
        i = j == n ? n : j + 1;
        if (j != n) mode = M::Body;
    }

    QUARZEL_HOT void SkipLine() {
        const std::size_t j = First(ends, i);
        i = j == n ? n : j + 1;
        if (j != n) {
            mode = M::LineStart;
            column0 = true;
        }
    }

    // ReadTagLine for the "[" at data[j].
    QUARZEL_HOT bool TagLine(std::size_t j) {
        return ReadTagLine(s, hasBody, data + j, n - j, s.Offset + static_cast<std::int64_t>(j));
    }

    // The "[" at data[j] is cut off by the end of the piece: it is decided
    // with the next one.
    QUARZEL_HOT void Undecided(std::size_t j) {
        s.Candidate.assign(data + j, n - j);
        s.CandidateAt = s.Offset + static_cast<std::int64_t>(j);
        mode = M::TagCheck;
        i = n;
    }

    // A "[" left undecided at the end of the last block: one more byte at a
    // time (a tag name is short).
    QUARZEL_HOT void TagCheck() {
        s.Candidate.push_back(data[i]);
        TTagName name;
        const TTagStart r = ScanTagStart(s.Candidate.data(), s.Candidate.size(), name);
        if (r == TTagStart::NeedMore) {
            ++i;
            return;
        }
        if (r == TTagStart::Tag) OnTag(s, hasBody, s.CandidateAt, name);
        // The deciding byte is read again: it may end the line.
        s.Candidate.clear();
        mode = M::SkipLine;
    }

    // Line starts one after the other from i (a line start in column 0), as
    // long as they are tag, empty or escape lines (a tag section). True when
    // the line start it stops at is to be read byte by byte.
    QUARZEL_HOT bool TagSection() {
        std::size_t w = i >> 6;
        std::uint64_t bits = (Lines(w) | (std::uint64_t{1} << (i & 63))) & (~std::uint64_t{0} << (i & 63));
        for (;;) {
            while (!bits) {
                if (++w == windows) break;
                bits = Lines(w);
            }
            if (bits && (w << 6) + static_cast<std::size_t>(__builtin_ctzll(bits)) >= n) bits = 0;
            if (!bits) {
                // The rest of the piece is the rest of a line passed over.
                mode = M::SkipLine;
                i = n;
                return false;
            }
            const std::size_t j = (w << 6) + static_cast<std::size_t>(__builtin_ctzll(bits));
            bits &= bits - 1;
            const char c = data[j];
            if (c == '[') {
                if (TagLine(j)) continue;
                Undecided(j);
                return false;
            }
            if (c == '\n' || c == '\r' || c == '%') continue;  // an empty or an escape line
            i = j;
            if (static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) != kBom[0] &&
                s.Offset + static_cast<std::int64_t>(j) >= 3) {
                content = true;
                hasBody = true;
                mode = M::Body;
                return false;
            }
            return true;  // a line start to read byte by byte
        }
    }

    // A line start read byte by byte (after its indent when column0 is false).
    QUARZEL_HOT void LineStartByte() {
        const char c = data[i];
        if (s.Bom > 0 && static_cast<unsigned char>(c) != kBom[s.Bom]) s.Bom = 0;
        if (c == '[') {
            if (!TagLine(i)) {
                Undecided(i);
                return;
            }
            // The rest of the tag line, or of another "[" line, is passed over.
            mode = M::SkipLine;
            ++i;
        } else if (c == '\n') {
            ++i;
            column0 = true;
        } else if (c == '\r') {
            ++i;
            if (i < n && data[i] == '\n') ++i;
            column0 = true;
        } else if (column0 && s.Offset + static_cast<std::int64_t>(i) < 3 &&
                   static_cast<unsigned char>(c) == kBom[s.Offset + static_cast<std::int64_t>(i)]) {
            ++i;  // the byte order mark of a UTF-8 file
        } else if (static_cast<unsigned char>(c) == kBom[s.Bom] && (column0 || s.Bom > 0)) {
            // A byte order mark in mid-file (files joined end to end): the
            // line after it is read as if it began there.
            s.Bom = static_cast<std::uint8_t>((s.Bom + 1) % 3);
            column0 = false;
            ++i;
        } else if (c == '%' && column0) {
            mode = M::SkipLine;
            ++i;
        } else if (IsLineIndent(c)) {
            column0 = false;
            ++i;
        } else {
            content = true;
            hasBody = true;
            mode = M::Body;
        }
    }

    // The mode and flags back into the state, for the next block.
    QUARZEL_HOT void Store() {
        // A block that ends with a line end: the next one begins with a line.
        if (n > 0 && IsLineEnd(data[n - 1]) && (mode == M::Body || mode == M::SkipLine)) {
            mode = M::LineStart;
            column0 = true;
        }
        s.Mode = mode;
        s.Column0 = column0;
        s.GameHasBody = hasBody;
        s.Content = content;
        s.Offset += static_cast<std::int64_t>(n);
    }
};

// Runs the state machine over data[0, n), whose masks are m (one entry per
// window from data on).
void Walk(TBoundsState& s, const char* data, std::size_t n, const TWindowArrays& m) {
    using M = TBoundsState;
    TWalk walk(s, data, n, m);
    while (walk.i < n) {
        switch (walk.mode) {
            case M::Body: walk.Body(); break;
            case M::Comment: walk.Comment(); break;
            case M::SkipLine: walk.SkipLine(); break;
            case M::TagCheck: walk.TagCheck(); break;
            case M::LineStart:
                if (!walk.column0 || walk.TagSection()) walk.LineStartByte();
                break;
        }
    }
    walk.Store();
}

#undef QUARZEL_HOT

}  // namespace

TTagNameSet::TTagNameSet() : slots_(64) {}

void TTagNameSet::Clear() {
    count_ = 0;
    if (++stamp_ == 0) {
        // Stamps went round: no old entry may look current.
        for (TSlot& slot : slots_) slot.stamp = 0;
        stamp_ = 1;
    }
}

bool TTagNameSet::Insert(std::uint64_t key) {
    // A section of more names than any game has is hostile: its later names
    // are no longer kept (nor taken for repeats), so that it cannot eat
    // memory without end.
    if (count_ >= kMaxNames) return true;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & mask;; i = (i + 1) & mask) {
        TSlot& slot = slots_[i];
        if (slot.stamp != stamp_) {
            slot = TSlot{key, stamp_};
            if (++count_ * 2 > slots_.size()) Grow();
            return true;
        }
        if (slot.key == key) return false;
    }
}

void TTagNameSet::Grow() {
    std::vector<TSlot> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, TSlot{});
    const std::uint32_t stamp = stamp_;
    stamp_ = 1;
    count_ = 0;
    for (const TSlot& slot : old)
        if (slot.stamp == stamp) Insert(slot.key);
}

void TBlockMasks::Reserve(std::size_t n) {
    const std::size_t windows = (n + 63) / 64;
    if (ends_.size() < windows) {
        ends_.resize(windows);
        events_.resize(windows);
        closes_.resize(windows);
        opens_.resize(windows);
    }
}

void ClassifyBytes(const char* data, std::size_t n, TWindowArrays masks) { kClassify(data, n, masks); }

std::vector<TClassifyFn> ClassifyVariants() {
    std::vector<TClassifyFn> variants{[](const char* data, std::size_t n, TWindowArrays masks) {
        ClassifyWindows<TScalarMasker>(data, n, masks);
    }};
    variants.push_back(&ClassifyBase);
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) variants.push_back(&ClassifyAvx2);
    if (__builtin_cpu_supports("avx512bw")) variants.push_back(&ClassifyAvx512);
#endif
    return variants;
}

void TGameBounds::Feed(const char* data, std::size_t n) {
    // In pieces whose masks fit on the stack.
    constexpr std::size_t kPiece = 16384;
    std::uint64_t ends[kPiece / 64], events[kPiece / 64], closes[kPiece / 64], opens[kPiece / 64];
    const TWindowArrays masks{ends, events, closes, opens};
    for (std::size_t off = 0; off < n; off += kPiece) {
        const std::size_t piece = std::min(kPiece, n - off);
        kClassify(data + off, piece, masks);
        Walk(state_, data + off, piece, masks);
    }
}

void TGameBounds::Feed(const char* data, std::size_t n, const TWindowArrays& masks, std::size_t window) {
    if (n == 0) return;
    Walk(state_, data, n,
         TWindowArrays{masks.Ends + window, masks.Events + window, masks.Closes + window, masks.Opens + window});
}

void TGameBounds::Finish() {
    // A "[" cut off by the end of the stream starts nothing.
    state_.Candidate.clear();
    state_.Mode = TBoundsState::LineStart;
    if (!state_.InGame && state_.Content) {
        state_.Starts.push_back(0);
        state_.InGame = true;
    }
}

std::vector<std::pair<std::size_t, std::size_t>> SplitGameBytes(const char* bytes, std::size_t size) {
    TGameBounds bounds;
    bounds.Feed(bytes, size);
    bounds.Finish();
    std::vector<std::pair<std::size_t, std::size_t>> games;
    const std::vector<std::int64_t>& starts = bounds.Starts();
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t end = k + 1 < starts.size() ? static_cast<std::size_t>(starts[k + 1]) : size;
        games.emplace_back(static_cast<std::size_t>(starts[k]), end);
    }
    return games;
}
