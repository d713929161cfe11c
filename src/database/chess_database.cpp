#include "database/chess_database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "rules/fen.h"
#include "rules/position.h"

TChessDatabase::TChessDatabase() { CheckTimeLimit = 30; }

void TChessDatabase::setMainFileExt(const std::string& value) {
    std::string ext = value;
    if (ext.empty() || ext[0] != '.') ext.insert(ext.begin(), '.');
    if (ext == mainFileExt_) return;
    mainFileExt_ = ext;
}

bool TChessDatabase::IsChessDatabase(const std::string& path) const {
    if (dbfile::UpperAscii(dbfile::ExtractFileExt(path)) != dbfile::UpperAscii(mainFileExt_)) return false;
    std::string index = dbfile::ChangeFileExt(path, IndexExt());
    struct stat st;
    if (::stat(index.c_str(), &st) != 0) return true;
    // An empty index is what an interrupted first open leaves behind; it
    // carries no identity yet and is rebuilt like a missing one.
    if (S_ISREG(st.st_mode) && st.st_size == 0) return true;
    int fd = ::open(index.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    auto readAt = [fd](int64_t record, int64_t& value) {
        unsigned char b[8];
        if (::pread(fd, b, 8, static_cast<off_t>(record * 8)) != 8) return false;
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
        value = static_cast<int64_t>(v);
        return true;
    };
    int64_t first = 0, fifth = 0;
    bool ok = (readAt(0, first) && first == IndexMagic) || (readAt(4, fifth) && fifth == ChessIdentification);
    if (!ok) {
        // An index whose header is nothing but zeros (a file system's repair,
        // a preallocated file) carries no identity, not another program's:
        // it is damaged, and rebuilt like a missing one.
        unsigned char header[64];
        const ssize_t got = ::pread(fd, header, sizeof header, 0);
        ok = got > 0 && std::all_of(header, header + got, [](unsigned char b) { return b == 0; });
    }
    ::close(fd);
    return ok;
}

void TChessDatabase::Open(const std::string& path) {
    std::string lockExt = LockExtension();
    struct stat st;
    // A file that is not ours is refused through the extension rule: index
    // and lock extension made equal fail the open with code 10.
    if (::stat(path.c_str(), &st) == 0 && !IsChessDatabase(path)) lockExt = IndexExt();
    TCustomDatabase::Open(path, IndexExt(), {ChessIdentification, 0, 0, 0}, lockExt);
}

bool TChessDatabase::FetchGame(int64_t n, std::string& key, std::string& text, bool& deleted) {
    text.clear();
    std::string raw;
    if (GetRecord(n, key, raw, deleted, /*raw=*/true, /*skipDeleted=*/false) != 0) return false;
    if (!GameFromRecord(raw, text, MaxGameTextBytes)) {
        LastError_ = errRead;
        if (OnReadError) OnReadError();
        return false;
    }
    return true;
}

bool TChessDatabase::GameFromRecord(std::string_view raw, std::string& text, size_t maxBytes) {
    text.clear();
    std::string record(raw);
    if (!record.empty() && (static_cast<unsigned char>(record[0]) & 0x80)) record = Decode(record);
    if (!record.empty()) record.erase(0, 1);
    if (!record.empty() && record[0] == '[') {
        if (record.size() > maxBytes) return false;
        text = std::move(record);
        return true;
    }
    return RecordToPGN(record, text, maxBytes);
}

std::string TChessDatabase::GameFromRecord(std::string_view raw) {
    std::string text;
    GameFromRecord(raw, text);
    return text;
}

std::string TChessDatabase::RecordToPGN(std::string_view record) {
    std::string pgn;
    RecordToPGN(record, pgn);
    return pgn;
}

namespace {

enum class FieldKind { Number, Text };

struct CompactHeader {
    std::string White, Black, Event, Annotator, Site, Result, ECO;
    std::string WhiteDifferenceToGMT, BlackDifferenceToGMT, DateTimeFormat, GameId;
    std::string MetaDescription, MetaKeywords, FEN, Introduction;
    bool HasFEN = false;
    uint16_t WhiteElo = 0, BlackElo = 0, MoveCount = 0, EventYear = 0, EventMonth = 0, EventDay = 0;
    uint16_t TimeControlBase = 0, TimeControlIncrement = 0, RoundNumber = 0, Year = 0, Month = 0, Day = 0;
};

uint16_t* NumberField(CompactHeader& h, int tag) {
    switch (tag) {
        case 3: return &h.WhiteElo;
        case 4: return &h.BlackElo;
        case 5: return &h.MoveCount;
        case 6: return &h.EventYear;
        case 7: return &h.TimeControlBase;
        case 8: return &h.TimeControlIncrement;
        case 16: return &h.RoundNumber;
        case 25: return &h.EventMonth;
        case 26: return &h.EventDay;
        case 27: return &h.Year;
        case 28: return &h.Month;
        case 29: return &h.Day;
        default: return nullptr;
    }
}

std::string* TextField(CompactHeader& h, int tag) {
    switch (tag) {
        case 9: return &h.White;
        case 10: return &h.Black;
        case 11: return &h.Event;
        case 12: return &h.Annotator;
        case 13: return &h.Site;
        case 14: return &h.Result;
        case 15: return &h.ECO;
        case 17: return &h.WhiteDifferenceToGMT;
        case 18: return &h.BlackDifferenceToGMT;
        case 19: return &h.DateTimeFormat;
        case 20: return &h.GameId;
        case 21: return &h.MetaDescription;
        case 22: return &h.MetaKeywords;
        case 23: return &h.FEN;
        case 24: return &h.Introduction;
        default: return nullptr;
    }
}

// Reads the tagged fields; returns the offset of the move section (the
// record's size when the header has no end mark).
size_t ReadHeader(std::string_view rec, CompactHeader& h) {
    size_t i = 0;
    while (i < rec.size()) {
        int tag = static_cast<unsigned char>(rec[i++]);
        if (tag == 2) return i;
        if (uint16_t* number = NumberField(h, tag)) {
            if (rec.size() - i < 2) {
                *number = 0;
                i = rec.size();
            } else {
                int hi = static_cast<unsigned char>(rec[i]) - 1;
                int lo = static_cast<unsigned char>(rec[i + 1]) - 1;
                *number = static_cast<uint16_t>(hi * 256 + lo);
                i += 2;
            }
        } else if (std::string* text = TextField(h, tag)) {
            size_t end = rec.find('\x01', i);
            if (end == std::string_view::npos) end = rec.size();
            *text = std::string(rec.substr(i, end - i));
            i = end < rec.size() ? end + 1 : end;
            if (tag == 23) h.HasFEN = true;
        }
        // any other tag byte is skipped
    }
    return rec.size();
}

class BitReader {
public:
    BitReader(std::string_view bytes, size_t startByte) : bytes_(bytes), bit_(startByte * 8) {}
    bool Read(int count, uint32_t& value) {
        value = 0;
        for (int k = 0; k < count; ++k) {
            if (bit_ >= bytes_.size() * 8) return false;
            auto byte = static_cast<unsigned char>(bytes_[bit_ / 8]);
            value = (value << 1) | ((byte >> (7 - bit_ % 8)) & 1u);
            ++bit_;
        }
        return true;
    }
    // The rest of the current byte is skipped, then bytes up to a byte 1 form
    // the comment; spans between two bytes 2 are left out.
    bool ReadComment(std::string& comment) {
        size_t p = (bit_ + 7) / 8;
        bool inSpan = false;
        comment.clear();
        for (; p < bytes_.size(); ++p) {
            char c = bytes_[p];
            if (c == '\x01') {
                bit_ = (p + 1) * 8;
                return true;
            }
            if (c == '\x02') {
                inSpan = !inSpan;
                continue;
            }
            if (!inSpan) comment.push_back(c);
        }
        return false;
    }

private:
    std::string_view bytes_;
    size_t bit_;
};

struct CompactMove {
    bool continues = true;
    int from = 0, to = 0;
    bool hasPromotion = false, hasMoveNag = false, hasPositionNag = false, hasComment = false;
    int promotion = 0;
    uint8_t flags = 0;
    int moveNag = 0, positionNag = 0;
    std::string comment;
    uint64_t closings = 0;  // a record of 512 MiB holds more zero bits than an int counts
};

enum class MoveRead { Ok, End, BadSquare, TooLarge };

// maxClosings: more closing bits than this would make the text too large
// (whether or not the move is complete).
MoveRead ReadMove(BitReader& bits, CompactMove& m, uint64_t maxClosings) {
    uint32_t v = 0;
    if (!bits.Read(1, v)) return MoveRead::End;
    m.continues = v == 1;
    if (!bits.Read(6, v)) return MoveRead::End;
    m.from = static_cast<int>(v);
    if (!bits.Read(6, v)) return MoveRead::End;
    m.to = static_cast<int>(v);
    if (m.from >= 64 || m.to >= 64) return MoveRead::BadSquare;
    if (!bits.Read(1, v)) return MoveRead::End;
    bool hasFlags = false;
    if (v == 0) {
        uint32_t present = 0;
        if (!bits.Read(5, present)) return MoveRead::End;
        m.hasPromotion = !(present & 0x10);
        hasFlags = !(present & 0x08);
        m.hasMoveNag = !(present & 0x04);
        m.hasPositionNag = !(present & 0x02);
        m.hasComment = !(present & 0x01);
    }
    if (m.hasPromotion) {
        if (!bits.Read(2, v)) return MoveRead::End;
        m.promotion = static_cast<int>(v);
    }
    if (hasFlags) {
        if (!bits.Read(4, v)) return MoveRead::End;
        m.flags = static_cast<uint8_t>(v << 4);  // 0x80, 0x40, 0x20, 0x10 in that order
    }
    if (m.hasMoveNag) {
        if (!bits.Read(8, v)) return MoveRead::End;
        m.moveNag = static_cast<int>(v);
    }
    if (m.hasPositionNag) {
        if (!bits.Read(8, v)) return MoveRead::End;
        m.positionNag = static_cast<int>(v);
    }
    if (m.hasComment && !bits.ReadComment(m.comment)) return MoveRead::End;
    for (;;) {
        if (!bits.Read(1, v)) return MoveRead::End;
        if (v == 1) break;
        if (++m.closings > maxClosings) return MoveRead::TooLarge;
    }
    return MoveRead::Ok;
}

std::string_view MoveNagText(int code) {
    switch (code) {
        case 1: return "$1";
        case 2: return "$3";
        case 3: return "$2";
        case 4: return "$4";
        case 5: return "$5";
        case 6: return "$6";
        default: return "";
    }
}

std::string Quoted(const std::string& value) {
    for (char c : value)
        if (c != ' ' && c != '\t') return value;
    return "?";
}

std::string TagLine(std::string_view name, const std::string& value) {
    std::string line = "[";
    line += name;
    line += " \"";
    line += value;
    line += "\"]\r\n";
    return line;
}

std::string DateText(uint16_t year, uint16_t month, uint16_t day) {
    auto part = [](uint16_t v) {
        if (v == 0) return std::string("??");
        return (v < 10 ? "0" : "") + std::to_string(v);
    };
    return (year ? std::to_string(year) : std::string("????")) + "." + part(month) + "." + part(day);
}

// The position the moves start from: the header's FEN when it reads, the
// initial position otherwise.
struct GameStart {
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    uint16_t moveNo = 1;
};

GameStart StartOf(const CompactHeader& h) {
    GameStart start;
    if (h.HasFEN) {
        GameStart fromFen;
        if (FENToPosition(h.FEN, fromFen.board, fromFen.state, fromFen.moveNo)) start = fromFen;
    }
    return start;
}

// Appends the text of move m as played on work (castling, a pawn move in
// long form, or a piece letter with the origin the record gives, then the
// promotion) and plays it on work.
void AppendMove(std::string& movetext, const CompactMove& m, TBoard& work) {
    const int from = Index64ToSquare(m.from);
    const int to = Index64ToSquare(m.to);
    const int piece = work[from];
    const int kind = piece == Empty ? Rook : (piece < 0 ? -piece : piece);
    const int side = piece < 0 ? Black : White;
    const std::string_view fromName = SquareNames[m.from];
    const std::string_view toName = SquareNames[m.to];
    if (kind == King && ((m.from == 4 && (m.to == 6 || m.to == 2)) ||
                         (m.from == 60 && (m.to == 62 || m.to == 58)))) {
        movetext += (m.to == 6 || m.to == 62) ? "O-O" : "O-O-O";
    } else if (kind == Pawn) {
        if (fromName[0] != toName[0]) {
            movetext += fromName[0];
            movetext += "x";
            movetext += toName;
        } else {
            movetext += fromName;
            movetext += "-";
            movetext += toName;
        }
    } else {
        static constexpr std::string_view Letters = "RBNQK";  // rook .. king
        movetext += Letters[static_cast<size_t>(kind - Rook)];
        if (m.flags & FileGiven) movetext += fromName[0];
        if (m.flags & RankGiven) movetext += fromName[1];
        movetext += toName;
    }
    if (m.hasPromotion) {
        static constexpr std::string_view PromotionLetters = "RBNQ";
        static constexpr int PromotionPieces[4] = {Rook, Bishop, Knight, Queen};
        movetext += "=";
        movetext += PromotionLetters[static_cast<size_t>(m.promotion)];
        work[to] = side * PromotionPieces[m.promotion];
    } else {
        work[to] = work[from];
    }
    if (from != to) work[from] = Empty;
}

// Appends what follows a move's text: the check or mate sign, the move and
// position NAGs and the comment.
void AppendAnnotations(std::string& movetext, const CompactMove& m) {
    if (m.flags & CheckSign)
        movetext += "+";
    else if (m.flags & MateSign)
        movetext += "#";
    if (m.hasMoveNag) {
        movetext += " ";
        movetext += MoveNagText(m.moveNag);
    }
    if (m.hasPositionNag) movetext += " $" + std::to_string(m.positionNag);
    if (m.hasComment) movetext += " " + m.comment;
}

enum class MovetextRead { Done, BadSquare, TooLarge };

// The move text of the move section that starts at byte movesAt: the moves
// with their annotations, variations in brackets. A variation is played
// from the position before the move it replaces, and its closing returns to
// the line it left. TooLarge when the text would exceed maxBytes.
MovetextRead ReadMovetext(std::string_view record, size_t movesAt, const GameStart& start, size_t maxBytes,
                          std::string& movetext) {
    TBoard work = start.board;
    TBoard before = work;
    std::vector<TBoard> beforeStack, workStack;
    BitReader bits(record, movesAt);
    bool first = true;
    for (;;) {
        CompactMove m;
        // Each closing adds ") ": the text cap bounds how many a move may have.
        const uint64_t room = movetext.size() < maxBytes ? (maxBytes - movetext.size()) / 2 : 0;
        MoveRead r = ReadMove(bits, m, room);
        if (r == MoveRead::TooLarge) return MovetextRead::TooLarge;
        if (r == MoveRead::BadSquare) return MovetextRead::BadSquare;
        if (r == MoveRead::End) return MovetextRead::Done;

        if (first) {
            movetext += std::to_string(start.moveNo) + ".";
            if (start.state.Side == Black) movetext += "..";
            movetext += " ";
            first = false;
        }
        if (!m.continues) {
            beforeStack.push_back(before);
            workStack.push_back(work);
            movetext += "(";
            work = before;
        } else {
            before = work;
        }
        AppendMove(movetext, m, work);
        AppendAnnotations(movetext, m);
        for (uint64_t k = 0; k < m.closings; ++k) {
            movetext += ") ";
            if (!beforeStack.empty() && !workStack.empty()) {
                before = beforeStack.back();
                beforeStack.pop_back();
                work = workStack.back();
                workStack.pop_back();
            }
        }
        movetext += " ";
        if (movetext.size() > maxBytes) return MovetextRead::TooLarge;
    }
}

// The tag section: the seven required tags, the optional ones present, and
// the blank line that ends it.
std::string TagSection(const CompactHeader& h) {
    std::string tags;
    tags += TagLine("Event", Quoted(h.Event));
    tags += TagLine("Site", Quoted(h.Site));
    tags += TagLine("Date", DateText(h.Year, h.Month, h.Day));
    tags += TagLine("Round", h.RoundNumber ? std::to_string(h.RoundNumber) : std::string("-"));
    tags += TagLine("White", Quoted(h.White));
    tags += TagLine("Black", Quoted(h.Black));
    tags += TagLine("Result", Quoted(h.Result));
    const std::pair<std::string_view, const std::string*> optional[] = {
        {"Annotator", &h.Annotator},
        {"ECO", &h.ECO},
        {"WhiteDifferenceToGMT", &h.WhiteDifferenceToGMT},
        {"BlackDifferenceToGMT", &h.BlackDifferenceToGMT},
        {"DateTimeFormat", &h.DateTimeFormat},
        {"GameId", &h.GameId},
    };
    for (const auto& [name, value] : optional)
        if (!value->empty()) tags += TagLine(name, Quoted(*value));
    if (h.HasFEN) {
        tags += TagLine("FEN", Quoted(h.FEN));
        tags += TagLine("Setup", "1");
    }
    if (h.WhiteElo) tags += TagLine("WhiteElo", std::to_string(h.WhiteElo));
    if (h.BlackElo) tags += TagLine("BlackElo", std::to_string(h.BlackElo));
    if (h.MoveCount) tags += TagLine("PlyCount", std::to_string(h.MoveCount));
    tags += TagLine("EventDate", DateText(h.EventYear, h.EventMonth, h.EventDay));
    if (h.TimeControlBase) {
        std::string tc = std::to_string(h.TimeControlBase);
        if (h.TimeControlIncrement) tc += "+" + std::to_string(h.TimeControlIncrement);
        tags += TagLine("TimeControl", tc);
    }
    tags += "\r\n";
    return tags;
}

}  // namespace

bool TChessDatabase::RecordToPGN(std::string_view record, std::string& pgn, size_t maxBytes) {
    pgn.clear();
    CompactHeader h;
    const size_t movesAt = ReadHeader(record, h);
    std::string movetext;
    switch (ReadMovetext(record, movesAt, StartOf(h), maxBytes, movetext)) {
        case MovetextRead::TooLarge: return false;
        case MovetextRead::BadSquare: return true;
        case MovetextRead::Done: break;
    }
    pgn = TagSection(h);
    pgn += h.Introduction;
    pgn += " ";
    pgn += movetext;
    pgn += " ";
    pgn += h.Result;
    if (pgn.size() > maxBytes) {
        pgn.clear();
        return false;
    }
    return true;
}
