// Copying games out of a file, block by block.
#include "notation/game_writer.h"

#include <unistd.h>

#include <algorithm>

#include "collection/game_list_core.h"
#include "notation/layout.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"
#include "source/byte_sink.h"
#include "source/byte_source.h"

namespace {

// A longer game is copied in pieces of this size.
constexpr int64_t kBlockBytes = 8 << 20;
// Neighbouring games are read together up to this many bytes: a block that
// stays in the processor's cache while its game ends are looked at.
constexpr int64_t kRunBytes = 1 << 20;
// How much of a long game's start and end is looked at for its blank lines.
constexpr size_t kEdgeBytes = 1 << 20;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Where the line of the first non-blank byte starts; npos when all is blank.
size_t FirstLineStart(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i == s.size()) return std::string_view::npos;
    while (i > 0 && !IsLineEnd(s[i - 1])) --i;
    return i;
}

// Just past the line end after the last non-blank byte (0 when all is
// blank); missingEol when the text ends on that line.
size_t LastLineEnd(std::string_view s, bool& missingEol) {
    size_t j = s.size();
    while (j > 0 && IsBlank(s[j - 1])) --j;
    if (j == 0) return 0;
    while (j < s.size() && IsBlank(s[j]) && !IsLineEnd(s[j])) ++j;
    missingEol = false;
    if (j + 1 < s.size() && s[j] == '\r' && s[j + 1] == '\n') return j + 2;
    if (j < s.size() && IsLineEnd(s[j])) return j + 1;
    missingEol = true;
    return j;
}

std::string_view LineEndOf(std::string_view s) {
    const size_t lf = s.find('\n');
    if (lf != std::string_view::npos) return lf > 0 && s[lf - 1] == '\r' ? "\r\n" : "\n";
    return s.find('\r') != std::string_view::npos ? "\r" : "\n";
}

}  // namespace

std::string SaveTargetRefusal(const std::string& input, const std::string& output, bool overwrite) {
    if (output == "-") return {};
    if (SameFile(input, output)) return output + " is the file the games are read from";
    if (!overwrite && ::access(output.c_str(), F_OK) == 0) return output + " exists (--force writes over it)";
    return {};
}

TGameWriter::TSpan TGameWriter::Trimmed(std::string_view game) {
    TSpan span;
    const size_t begin = FirstLineStart(game);
    if (begin == std::string_view::npos) return span;  // nothing but blanks
    span.begin = begin;
    span.end = LastLineEnd(game, span.missingEol);
    span.eol = LineEndOf(game);
    return span;
}

TGameWriter::TGameWriter(TGameListCore& list, const std::string& path)
    : list_(list), sink_(std::make_unique<TFileSink>(path)), source_(list.Source()) {}

TGameWriter::~TGameWriter() = default;

int64_t TGameWriter::BytesWritten() const { return sink_->Written(); }

size_t TGameWriter::Read(int64_t pos, char* to, size_t n) {
    if (!source_->PrefersStreams()) {
        size_t got = 0;
        while (got < n) {
            const size_t r = source_->ReadAt(pos + static_cast<int64_t>(got), to + got, n - got);
            if (r == 0) break;
            got += r;
        }
        return got;
    }
    if (!stream_ || pos < streamPos_) {
        stream_ = source_->Stream(pos);
        streamPos_ = pos;
    }
    std::string skip;
    while (streamPos_ < pos) {  // the games between are decoded and passed over
        skip.resize(static_cast<size_t>(std::min<int64_t>(pos - streamPos_, 1 << 20)));
        const size_t r = stream_->Read(skip.data(), skip.size());
        if (r == 0) return 0;
        streamPos_ += static_cast<int64_t>(r);
    }
    size_t got = 0;
    while (got < n) {
        const size_t r = stream_->Read(to + got, n - got);
        if (r == 0) break;
        got += r;
    }
    streamPos_ += static_cast<int64_t>(got);
    return got;
}

void TGameWriter::WriteSpan(std::string_view game) {
    const TSpan span = Trimmed(game);
    if (span.end <= span.begin) return;  // an empty game (a database's deleted record)
    if (games_ > 0) sink_->Write(eol_);
    sink_->Write(game.substr(span.begin, span.end - span.begin));
    if (span.missingEol) sink_->Write(span.eol);
    eol_ = span.eol;
    ++games_;
}

void TGameWriter::Add(int32_t index) {
    if (list_.DatabaseMode() || !source_) {
        FlushRun();
        WriteDatabaseGame(index);
        return;
    }
    const GameEntry e = list_.Entry(index);
    if (runEnd_ > runFirst_ && index == runEnd_ && e.EndPos - list_.Entry(runFirst_).StartPos <= kRunBytes) {
        ++runEnd_;
        return;
    }
    FlushRun();
    if (e.EndPos - e.StartPos > kBlockBytes) {
        WriteLargeGame(e.StartPos, e.EndPos);
        return;
    }
    runFirst_ = index;
    runEnd_ = index + 1;
}

void TGameWriter::FlushRun() {
    if (runEnd_ <= runFirst_) return;
    const int64_t from = list_.Entry(runFirst_).StartPos, to = list_.Entry(runEnd_ - 1).EndPos;
    block_.resize(static_cast<size_t>(to - from));
    if (Read(from, block_.data(), block_.size()) < block_.size())
        throw TFileError(list_.FileName() + " changed while its games were written");
    // Games already one blank line apart in the file go out as one piece.
    const std::string_view block(block_);
    size_t pieceFrom = 0, pieceTo = 0;  // [pieceFrom, pieceTo) of block waits to be written
    for (int32_t g = runFirst_; g < runEnd_; ++g) {
        const GameEntry e = list_.Entry(g);
        const size_t at = static_cast<size_t>(e.StartPos - from);
        const TSpan span = Trimmed(block.substr(at, static_cast<size_t>(e.EndPos - e.StartPos)));
        if (span.end <= span.begin) continue;
        const size_t begin = at + span.begin, end = at + span.end;
        const bool joins = pieceTo > pieceFrom && pieceTo + eol_.size() == begin && block.substr(pieceTo, eol_.size()) == eol_;
        if (!joins) {
            if (pieceTo > pieceFrom) WritePiece(from, pieceFrom, pieceTo);
            if (games_ > 0) sink_->Write(eol_);
            pieceFrom = begin;
        }
        pieceTo = end;
        eol_ = span.eol;
        ++games_;
        if (span.missingEol) {
            WritePiece(from, pieceFrom, pieceTo);
            sink_->Write(span.eol);
            pieceFrom = pieceTo = 0;
        }
    }
    if (pieceTo > pieceFrom) WritePiece(from, pieceFrom, pieceTo);
    runFirst_ = runEnd_ = 0;
}

void TGameWriter::WritePiece(int64_t blockAt, size_t from, size_t to) {
    // A long piece of a plain file is copied file to file by the kernel.
    constexpr size_t kCopyBytes = 256 << 10;
    if (to - from >= kCopyBytes &&
        sink_->CopyFrom(source_->PlainDescriptor(), blockAt + static_cast<int64_t>(from), to - from))
        return;
    sink_->Write(std::string_view(block_).substr(from, to - from));
}

// A game longer than a block: its first and last megabyte tell where its
// text starts and ends, the rest is copied in blocks.
void TGameWriter::WriteLargeGame(int64_t from, int64_t to) {
    std::string edge(static_cast<size_t>(std::min<int64_t>(to - from, kEdgeBytes)), '\0');
    edge.resize(Read(from, edge.data(), edge.size()));
    const size_t first = FirstLineStart(edge);
    const std::string eol(LineEndOf(edge));
    const int64_t begin = from + static_cast<int64_t>(first == std::string_view::npos ? 0 : first);
    edge.resize(static_cast<size_t>(std::min<int64_t>(to - begin, kEdgeBytes)));
    const int64_t tailAt = to - static_cast<int64_t>(edge.size());
    edge.resize(Read(tailAt, edge.data(), edge.size()));
    bool missingEol = false;
    const size_t last = LastLineEnd(edge, missingEol);
    const int64_t end = last == 0 ? to : tailAt + static_cast<int64_t>(last);
    if (games_ > 0) sink_->Write(eol_);
    for (int64_t at = begin; at < end; at += kBlockBytes) {
        block_.resize(static_cast<size_t>(std::min(kBlockBytes, end - at)));
        if (Read(at, block_.data(), block_.size()) < block_.size())
            throw TFileError(list_.FileName() + " changed while its games were written");
        sink_->Write(block_);
    }
    if (missingEol) sink_->Write(eol);
    eol_ = eol;
    ++games_;
}

void TGameWriter::WriteDatabaseGame(int32_t index) {
    bool deleted = false;
    std::string text;
    list_.ReadGameText(index, deleted, text);
    if (deleted || text.empty()) return;
    TNotationCore core;
    AttachLayout(core);
    core.SetEnglish(true);
    core.TagsFromRecord = list_.DatabaseMode();
    const int loaded = core.LoadGame(text);
    if (loaded == lgTooLarge || loaded == lgNoMemory)
        throw TFileError("game " + std::to_string(index + 1) + " of " + list_.FileName() + " is too large to copy");
    std::string pgn;
    WritePGN(core, false, pgn, false);
    WriteSpan(pgn);
}

void TGameWriter::Finish() {
    FlushRun();
    sink_->Commit();
}
