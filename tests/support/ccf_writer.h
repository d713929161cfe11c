// A small writer of ".ccf" game databases for tests and benchmark data. The
// program itself only reads databases; this builds data and index files with
// PGN and compact records, deleted records and deliberately bad records.
// Header-only so that test programs and benchmarks can share it.
#pragma once

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ccf {

// Escapes a record the way the data file stores it: 255 -> 255,5; 0 -> 255,6.
inline std::string Escape(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) == 255)
            out += "\xFF\x05";
        else if (c == 0)
            out += std::string("\xFF\x06", 2);
        else
            out += c;
    }
    return out;
}

inline bool NeedsEscape(std::string_view bytes) {
    for (char c : bytes)
        if (c == 0 || static_cast<unsigned char>(c) == 255) return true;
    return false;
}

// Square index 0..63 from a name such as "e4".
inline int Sq(std::string_view name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

struct Move {
    int from = 0;
    int to = 0;
    bool beginsVariation = false;
    int promotion = -1;    // 0 rook, 1 bishop, 2 knight, 3 queen; -1 none
    int flags = -1;        // 4 bits: 8 mate, 4 check, 2 rank given, 1 file given; -1 none
    int moveNag = -1;      // 8 bits; -1 none
    int positionNag = -1;  // 8 bits; -1 none
    bool hasComment = false;
    std::string comment;   // raw bytes up to (not including) the closing byte 1
    int closings = 0;      // variations closed after this move

    static Move Of(std::string_view from, std::string_view to) {
        Move m;
        m.from = Sq(from);
        m.to = Sq(to);
        return m;
    }
};

class BitWriter {
public:
    void Put(uint32_t value, int bits) {
        for (int k = bits - 1; k >= 0; --k) PutBit((value >> k) & 1u);
    }
    void PutBit(uint32_t bit) {
        if (used_ == 0) bytes_.push_back(0);
        if (bit) bytes_.back() = static_cast<char>(static_cast<unsigned char>(bytes_.back()) | (0x80 >> used_));
        used_ = (used_ + 1) % 8;
    }
    // Byte-aligned raw bytes (the rest of the current byte stays zero).
    void PutBytes(std::string_view raw) {
        used_ = 0;
        bytes_ += raw;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    int used_ = 0;
};

inline std::string MoveBits(const std::vector<Move>& moves) {
    BitWriter w;
    for (const Move& m : moves) {
        w.Put(m.beginsVariation ? 0 : 1, 1);
        w.Put(static_cast<uint32_t>(m.from), 6);
        w.Put(static_cast<uint32_t>(m.to), 6);
        bool any = m.promotion >= 0 || m.flags >= 0 || m.moveNag >= 0 || m.positionNag >= 0 || m.hasComment;
        if (!any) {
            w.Put(1, 1);
        } else {
            w.Put(0, 1);
            w.Put(m.promotion >= 0 ? 0 : 1, 1);
            w.Put(m.flags >= 0 ? 0 : 1, 1);
            w.Put(m.moveNag >= 0 ? 0 : 1, 1);
            w.Put(m.positionNag >= 0 ? 0 : 1, 1);
            w.Put(m.hasComment ? 0 : 1, 1);
            if (m.promotion >= 0) w.Put(static_cast<uint32_t>(m.promotion), 2);
            if (m.flags >= 0) w.Put(static_cast<uint32_t>(m.flags), 4);
            if (m.moveNag >= 0) w.Put(static_cast<uint32_t>(m.moveNag), 8);
            if (m.positionNag >= 0) w.Put(static_cast<uint32_t>(m.positionNag), 8);
            if (m.hasComment) w.PutBytes(m.comment + "\x01");
        }
        for (int k = 0; k < m.closings; ++k) w.Put(0, 1);
        w.Put(1, 1);
    }
    return w.Bytes();
}

// A compact game: header fields in the order added, then the byte 2 and the
// move bit stream.
class CompactGame {
public:
    enum Tag : int {
        WhiteElo = 3, BlackElo = 4, MoveCount = 5, EventYear = 6, TimeControlBase = 7,
        TimeControlIncrement = 8, White = 9, Black = 10, Event = 11, Annotator = 12, Site = 13,
        Result = 14, ECO = 15, RoundNumber = 16, WhiteDifferenceToGMT = 17, BlackDifferenceToGMT = 18,
        DateTimeFormat = 19, GameId = 20, MetaDescription = 21, MetaKeywords = 22, FEN = 23,
        Introduction = 24, EventMonth = 25, EventDay = 26, Year = 27, Month = 28, Day = 29,
    };

    CompactGame& Number(int tag, int value) {
        header_ += static_cast<char>(tag);
        header_ += static_cast<char>(value / 256 + 1);
        header_ += static_cast<char>(value % 256 + 1);
        return *this;
    }
    CompactGame& Text(int tag, std::string_view value) {
        header_ += static_cast<char>(tag);
        header_ += value;
        header_ += '\x01';
        return *this;
    }
    CompactGame& Raw(std::string_view bytes) {
        header_ += bytes;
        return *this;
    }
    CompactGame& Add(const Move& m) {
        moves_.push_back(m);
        return *this;
    }
    CompactGame& Add(std::string_view from, std::string_view to) { return Add(Move::Of(from, to)); }
    // The record body without its type byte.
    std::string Body() const { return header_ + "\x02" + MoveBits(moves_); }

private:
    std::string header_;
    std::vector<Move> moves_;
};

// A stored record: type byte and body, escaped (type byte with bit 7 set)
// when the body holds bytes 0 or 255, or when asked to.
inline std::string Record(std::string_view body, bool escape = false) {
    if (escape || NeedsEscape(body)) return Escape(std::string("\x81") + std::string(body));
    return std::string("\x01") + std::string(body);
}
inline std::string PgnRecord(std::string_view pgn, bool escape = false) { return Record(pgn, escape); }
inline std::string CompactRecord(const CompactGame& game, bool escape = false) {
    return Record(game.Body(), escape);
}

inline void PutInt64(std::string& out, int64_t value) {
    auto v = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline int64_t GetInt64(std::string_view bytes, size_t record) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[record * 8 + i]);
    return static_cast<int64_t>(v);
}

inline bool IsDeletedRecord(std::string_view stored) {
    for (char c : stored)
        if (c != 7) return false;
    return true;
}

inline std::string IndexHeader(int64_t live, int64_t identification = 9876543210LL) {
    std::string out;
    PutInt64(out, 1234567890);
    PutInt64(out, 0);
    PutInt64(out, live);
    PutInt64(out, 0);
    PutInt64(out, identification);
    PutInt64(out, 0);
    PutInt64(out, 0);
    PutInt64(out, 0);
    return out;
}

// Builds a database in memory: data file bytes and the matching index.
class Database {
public:
    // A stored record (as from Record()); it must hold no zero byte.
    Database& Add(std::string_view stored) {
        records_.emplace_back(stored);
        return *this;
    }
    Database& AddDeleted(size_t sevens = 5) { return Add(std::string(sevens, '\x07')); }

    std::string Data() const {
        std::string out;
        for (const auto& r : records_) {
            out += r;
            out += '\0';
        }
        return out;
    }
    std::string Index() const {
        std::string entries;
        int64_t offset = 0, live = 0;
        for (const auto& r : records_) {
            bool deleted = IsDeletedRecord(r);
            PutInt64(entries, deleted ? -(offset + 1) : offset + 1);
            if (!deleted) ++live;
            offset += static_cast<int64_t>(r.size()) + 1;
        }
        return IndexHeader(live) + entries;
    }
    size_t Size() const { return records_.size(); }

    static void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path);
    }
    // Writes path (the data file) and, unless withoutIndex, path + "idx".
    void Write(const std::string& path, bool withoutIndex = false) const {
        WriteBytes(path, Data());
        if (!withoutIndex) WriteBytes(path + "idx", Index());
    }

private:
    std::vector<std::string> records_;
};

// Streams a large database to disk (benchmark data).
class FileWriter {
public:
    explicit FileWriter(const std::string& path)
        : path_(path), data_(path, std::ios::binary | std::ios::trunc) {
        if (!data_) throw std::runtime_error("cannot write " + path);
    }
    void Add(std::string_view stored) {
        bool deleted = IsDeletedRecord(stored);
        PutInt64(entries_, deleted ? -(offset_ + 1) : offset_ + 1);
        if (!deleted) ++live_;
        data_.write(stored.data(), static_cast<std::streamsize>(stored.size()));
        data_.put('\0');
        offset_ += static_cast<int64_t>(stored.size()) + 1;
    }
    void Finish() {
        data_.close();
        Database::WriteBytes(path_ + "idx", IndexHeader(live_) + entries_);
    }
    int64_t DataSize() const { return offset_; }

private:
    std::string path_;
    std::ofstream data_;
    std::string entries_;
    int64_t offset_ = 0;
    int64_t live_ = 0;
};

// A database of one compact game (White "W", 1.e4): for tests that need any.
inline void WriteOneGameDatabase(const std::string& path) {
    Database d;
    CompactGame g;
    g.Text(CompactGame::White, "W").Add("e2", "e4");
    d.Add(CompactRecord(g));
    d.Write(path);
}

// `count` compact games "W0", "W1", ... (1-0, 1.e4) of which the second is deleted.
inline Database GamesWithSecondDeleted(int count) {
    Database d;
    for (int i = 0; i < count; ++i) {
        if (i == 1) {
            d.AddDeleted();
            continue;
        }
        CompactGame g;
        g.Text(CompactGame::White, "W" + std::to_string(i)).Text(CompactGame::Result, "1-0");
        g.Add("e2", "e4");
        d.Add(CompactRecord(g));
    }
    return d;
}

}  // namespace ccf
