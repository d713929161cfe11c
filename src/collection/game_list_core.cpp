#include "collection/game_list_core.h"

#include "collection/pgn_sniff.h"

#include "collection/database_listing.h"
#include "collection/game_bounds.h"
#include "collection/utf8.h"
#include "database/database_mode.h"
#include "platform/error_text.h"
#include "source/read_ahead.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>


namespace {

// Blocks read per system call; the scan still works block by block. A file
// larger than kReadAheadFrom is read ahead in chunks of kBlocksPerChunk.
constexpr std::size_t kBlocksPerRead = 16;
constexpr std::size_t kBlocksPerChunk = 64;
constexpr std::size_t kReadAheadFrom = 8 * 1024 * 1024;
// Start of a game read for drawing its row: more than most headers. A
// longer header is read on, up to kRowHeaderLimit.
constexpr std::size_t kRowHeaderBytes = 64 * 1024;
constexpr std::size_t kRowHeaderLimit = 16 * 1024 * 1024;

// The text of path when it is taken as a PGN file (LooksLikePGN), for the
// scan to go on with; null when it is not. A compressed file whose data
// cannot be read is damaged, and said to be (TFileError); a plain file that
// cannot be read is simply not one.
std::shared_ptr<TByteSource> PgnSource(const std::string& path) {
    std::shared_ptr<TByteSource> source;
    try {
        source = OpenByteSource(path);
    } catch (const std::exception&) {
        if (FileCompression(path) != TCompression::None) throw;  // a damaged archive
        return nullptr;
    }
    TBlockFile file;
    file.Attach(source, path);
    file.Glance();
    std::string error;
    if (LooksLikePGN(file, &error)) return source;
    if (!error.empty() && source->Compression() != TCompression::None) throw TFileError(error);
    return nullptr;
}

// A compressed file holds PGN text whatever its name ("games.pgn.zst"); a
// ".ccf" is always a database.
bool CompressedPgn(const std::string& path) {
    return UpperExtension(path) != ".CCF" && FileCompression(path) != TCompression::None;
}

std::string NotPgnText(const std::string& name) {
    return name + " is not a PGN file (no tag line or moves in its first 1000 lines)";
}

class BusyScope {
public:
    explicit BusyScope(std::function<void(bool)>& hook) : hook_(hook) {
        if (hook_) hook_(true);
        armed_ = static_cast<bool>(hook_);
    }
    ~BusyScope() { Release(); }
    // Puts the cursor back now rather than at the end of the scope.
    void Release() {
        if (armed_ && hook_) hook_(false);
        armed_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::function<void(bool)>& hook_;
    bool armed_;
};

// Cuts at the first NUL byte and trims blanks at both ends.
void FinishGameText(std::string& text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.size() != text.size()) {
        // In place: a game of gigabytes is not copied for its last line feed.
        const std::size_t first = static_cast<std::size_t>(trimmed.data() - text.data());
        text.erase(first + trimmed.size());
        text.erase(0, first);
    }
}

}  // namespace

TGameListCore::TGameListCore() : databaseMode_(std::make_unique<TDatabaseMode>()) {
    CurrentHeader.OtherTags = &otherTags_;
    EnableDatabaseMode(*this, *databaseMode_);
}

TGameListCore::~TGameListCore() {
    // The owner may be half gone: no more calls into it.
    OnBusyCursor = nullptr;
    ClearEntries();
    CloseFile();
}

void TGameListCore::Busy(bool on) {
    if (OnBusyCursor) OnBusyCursor(on);
}

// ---- index storage -------------------------------------------------------

void TGameListCore::PushBound(std::int64_t pos) {
    const std::size_t chunk = boundCount_ >> kChunkShift;
    if (chunk == chunks_.size()) chunks_.push_back(std::make_shared<std::int64_t[]>(kChunkSize));
    chunks_[chunk][boundCount_ & (kChunkSize - 1)] = pos;
    ++boundCount_;
}

std::int64_t TGameListCore::Bound(std::size_t i) const { return chunks_[i >> kChunkShift][i & (kChunkSize - 1)]; }

std::int32_t TGameListCore::EntryCount() const {
    return boundCount_ == 0 ? 0 : static_cast<std::int32_t>(boundCount_ - 1);
}

GameEntry TGameListCore::Entry(std::int32_t i) const {
    GameEntry e;
    if (i < 0 || i >= EntryCount()) return e;
    e.GameNo = i;
    e.StartPos = Bound(static_cast<std::size_t>(i));
    e.EndPos = Bound(static_cast<std::size_t>(i) + 1);
    return e;
}

TGameBoundsView TGameListCore::BoundsView() const {
    if (database_) return {};
    return TGameBoundsView{{chunks_.begin(), chunks_.end()}, boundCount_};
}

std::size_t TGameListCore::IndexBytes() const {
    return chunks_.size() * kChunkSize * sizeof(std::int64_t) + chunks_.capacity() * sizeof(void*) +
           rowEntries_.capacity() * sizeof(std::int32_t);
}

void TGameListCore::ClearEntries() {
    BusyScope busy(OnBusyCursor);
    chunks_.clear();
    chunks_.shrink_to_fit();
    boundCount_ = 0;
}

void TGameListCore::AddEntry(std::int64_t start) {
    if (pendingStart_ != -1) {
        // A game index is a 32-bit number; a file with more games lists the first 2^31 - 1.
        if (EntryCount() < INT32_MAX) {
            if (boundCount_ == 0) PushBound(pendingStart_);
            PushBound(start);
            AddRow(RowCount(), EntryCount() - 1);
        }
    }
    pendingStart_ = start;
}

// ---- rows ------------------------------------------------------------------

std::int32_t TGameListCore::RowCount() const {
    if (database_ && databaseAllRows_) return database_->EntryCount();
    return identityRows_ ? identityCount_ : static_cast<std::int32_t>(rowEntries_.size());
}

std::int32_t TGameListCore::GameIndexOfRow(std::int32_t Row) const {
    if (Row < 0 || Row >= RowCount()) return -1;
    if ((database_ && databaseAllRows_) || identityRows_) return Row;
    return rowEntries_[static_cast<std::size_t>(Row)];
}

void TGameListCore::ClearRows() {
    ++rowsVersion_;
    databaseAllRows_ = false;
    identityRows_ = true;
    identityCount_ = 0;
    rowEntries_.clear();
    rowEntries_.shrink_to_fit();
}

void TGameListCore::ShowAllRows() {
    ClearRows();
    if (database_) {
        databaseAllRows_ = true;
        return;
    }
    if (!OnFilterRequest) {
        identityCount_ = EntryCount();
        return;
    }
    for (std::int32_t g = 0; g < EntryCount(); ++g) AddRow(g, g);
}

void TGameListCore::AddRow(std::int32_t Row, std::int32_t EntryIndex) {
    if (OnFilterRequest) {
        LoadHeader(EntryIndex);
        bool show = true;
        OnFilterRequest(*this, CurrentHeader, show);
        if (!show) {
            if (identityRows_) {
                // From here on rows no longer follow the games one to one.
                rowEntries_.resize(static_cast<std::size_t>(identityCount_));
                for (std::int32_t i = 0; i < identityCount_; ++i) rowEntries_[static_cast<std::size_t>(i)] = i;
                identityRows_ = false;
            }
            return;
        }
    }
    ++rowsVersion_;
    const std::int32_t count = RowCount();
    Row = std::clamp(Row, 0, count);
    if (identityRows_ && Row == count && EntryIndex == count) {
        ++identityCount_;
        return;
    }
    if (identityRows_) {
        rowEntries_.resize(static_cast<std::size_t>(identityCount_));
        for (std::int32_t i = 0; i < identityCount_; ++i) rowEntries_[static_cast<std::size_t>(i)] = i;
        identityRows_ = false;
    }
    rowEntries_.insert(rowEntries_.begin() + Row, EntryIndex);
    // Rows after an inserted game keep pointing at the same games.
    for (std::size_t i = static_cast<std::size_t>(Row) + 1; i < rowEntries_.size(); ++i) ++rowEntries_[i];
}

// ---- opening and scanning --------------------------------------------------

void TGameListCore::CloseFile() {
    if (fileOpen_) {
        if (database_) {
            database_.reset();
            ++rowsVersion_;
        } else {
            file_.Close();
        }
    }
    fileOpen_ = false;
}

bool TGameListCore::OpenDatabaseAt(const std::string& path) {
    if (!OpenDatabase) return false;
    std::unique_ptr<TGameDatabase> db = OpenDatabase(*this, path);
    if (!db) return false;
    CloseFile();
    ClearEntries();
    database_ = std::move(db);
    databaseAllRows_ = true;
    struct stat st {};
    databaseSize_ = ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    ++rowsVersion_;
    fileOpen_ = true;
    return true;
}

void TGameListCore::ScanFile(const std::string& path) {
    if (scanning_) return;
    // Paths are compared exactly: on this system two names differing in case
    // are two files.
    if (path == fileName_) {
        // An empty path after a cancelled scan has nothing to scan again.
        if (!scanIncomplete_ || path.empty()) return;
        Scan(path);
        return;
    }
    if (database_) {
        // Leaving database mode: its rows go; the database closes below.
        ClearRows();
    }
    const bool isPgn = UpperExtension(path) == ".PGN" || CompressedPgn(path);
    if (FileExists(path)) {
        if (isPgn) {
            std::shared_ptr<TByteSource> source = PgnSource(path);
            if (!source) return;
            CloseFile();
            database_.reset();
            attach_ = std::move(source);
        } else if (!OpenDatabaseAt(path)) {
            return;
        }
    } else if (path.empty()) {
        ClearRows();
        ClearEntries();
        CloseFile();
        database_.reset();
        fileName_.clear();
        return;
    } else {
        bool create = true;
        if (BeforeCreatePGNFile) BeforeCreatePGNFile(*this, path, create);
        if (!create) return;
        if (isPgn) {
            CloseFile();
            database_.reset();
            CreateEmptyFile(path);
        } else if (!OpenDatabaseAt(path)) {
            return;
        }
    }
    Scan(path);
}

void TGameListCore::ScanSource(std::shared_ptr<TByteSource> source, const std::string& name) {
    if (scanning_) return;
    if (database_) ClearRows();
    CloseFile();
    database_.reset();
    attach_ = std::move(source);
    Scan(name);
}

void TGameListCore::Scan(const std::string& path) {
    BusyScope busy(OnBusyCursor);
    CancelMode = cmNoCancel;
    lastPercent_ = -1;
    fileChanged_ = false;
    auto filter = std::move(OnFilterRequest);
    OnFilterRequest = nullptr;
    scanning_ = true;
    // Completion runs however the scan ends.
    struct Completion {
        TGameListCore& self;
        decltype(filter)& saved;
        BusyScope& cursor;
        ~Completion() {
            self.OnFilterRequest = std::move(saved);
            self.scanning_ = false;
            // The closing progress report comes with the normal cursor back.
            cursor.Release();
            if (self.OnPGNTrace) {
                try {
                    self.OnPGNTrace(self, 0, self.CancelMode);
                } catch (...) {
                }
            }
        }
    } completion{*this, filter, busy};

    if (database_) {
        fileName_ = path;
        return;
    }
    CloseFile();
    if (attach_) file_.Attach(std::move(attach_), path);
    else OpenForBlocks(file_, path);
    fileName_ = path;
    fileOpen_ = true;
    scanIncomplete_ = true;
    pendingStart_ = -1;
    ClearRows();
    ClearEntries();
    ScanBlocks();
}

void TGameListCore::ScanBlocks() {
    const std::int64_t size = file_.Size();
    const std::int64_t total = size / static_cast<std::int64_t>(kBlockSize);
    // A compressed file's progress is the part of the file decoded so far.
    const bool byInput = file_.Compression() != TCompression::None;
    // A large file is read ahead on a thread of its own, which also makes the
    // scanner's first pass over each chunk while this thread walks the last.
    const bool threaded = size > static_cast<std::int64_t>(kReadAheadFrom);
    const std::size_t chunk = threaded ? kBlockSize * kBlocksPerChunk : kBlockSize * kBlocksPerRead;
    std::vector<TBlockMasks> masks(threaded ? 4 : 1);
    for (TBlockMasks& m : masks) m.Reserve(chunk);
    TReadAhead reader([this](char* buf, std::size_t n) { return file_.Read(buf, n); }, chunk, masks.size() - 1,
                      threaded,
                      [&masks](const char* data, std::size_t n, std::size_t slot) {
                          ClassifyBytes(data, n, masks[slot].Arrays());
                      });
    TGameBounds bounds;
    const char* data = nullptr;
    std::size_t got = 0, off = 0, slot = 0;
    bool eof = false;
    std::int64_t blockStart = 0;
    std::int64_t blocks = 0;
    auto takeStarts = [&] {
        for (std::int64_t start : bounds.Starts()) AddEntry(start);
        bounds.Starts().clear();
    };
    for (;;) {
        if (off == got && !eof) {
            data = reader.Next(got, slot);
            off = 0;
            if (got == 0) eof = true;
        }
        const std::size_t n = std::min(kBlockSize, got - off);
        if (n > 0) {
            bounds.Feed(data + off, n, masks[slot].Arrays(), off / 64);
            takeStarts();
        }
        off += n;
        blockStart += static_cast<std::int64_t>(n);
        ++blocks;
        const std::int32_t percent = byInput ? Percent(file_.InputDone(), size) : Percent(blocks, total);
        if (EntryCount() > 50 && percent != lastPercent_) {
            if (OnPGNTrace) OnPGNTrace(*this, percent, CancelMode);
            lastPercent_ = percent;
        }
        if (n == 0 || CancelMode == cmCancel) break;
    }
    if (CancelMode != cmCancel) {
        bounds.Finish();
        takeStarts();
        scanIncomplete_ = false;
        AddEntry(blockStart);  // closes the last game at the end of the file
        // A plain file that ends before the size it had when opened was cut
        // while it was read: its last game may be cut too.
        if (!byInput && size > 0 && blockStart < size) fileChanged_ = true;
    }
}

// ---- reading games ----------------------------------------------------------

std::int32_t TGameListCore::GameCount() const {
    if (database_) return database_->GameCount();
    return EntryCount();
}

void TGameListCore::ReadGameText(std::int32_t Index, bool& Deleted, std::string& Text) {
    Text.clear();
    try {
        if (database_) {
            if (Index >= 0 && Index < database_->EntryCount() && !database_->ReadGame(Index, Deleted, Text)) {
                Text.clear();
                // A damaged record is a read error of its own (an "Error"
                // row); a data file gone or cut since the open is a change.
                struct stat st {};
                if (::stat(fileName_.c_str(), &st) != 0 || st.st_size < databaseSize_) fileChanged_ = true;
            }
            return;
        }
        if (!file_.IsOpen() || Index < 0 || Index >= EntryCount()) return;
        const GameEntry e = Entry(Index);
        const std::int64_t length = e.EndPos - e.StartPos;
        if (length <= 0) return;
        Text.resize(static_cast<std::size_t>(length));
        const std::size_t n = file_.ReadAt(e.StartPos, Text.data(), Text.size());
        if (n != Text.size()) {
            Text.clear();  // the file shrank since the scan
            fileChanged_ = true;
            return;
        }
        FinishGameText(Text);
    } catch (const std::bad_alloc&) {
        Text.clear();
    } catch (...) {
        Text.clear();
        fileChanged_ = true;
    }
}

void TGameListCore::GetGame(std::int32_t Index, std::int32_t& GameID, std::string& PGNGame) {
    PGNGame.clear();
    if (!fileOpen_) return;
    BusyScope busy(OnBusyCursor);
    GameID = -1;
    bool deleted = false;
    if (database_) {
        ReadGameText(Index, deleted, PGNGame);
        if (!PGNGame.empty()) GameID = Index;
        return;
    }
    if (Index >= 0 && Index < EntryCount()) {
        ReadGameText(Index, deleted, PGNGame);
        if (!PGNGame.empty()) GameID = Entry(Index).GameNo;
    }
}

void TGameListCore::LoadHeader(std::int32_t GameIndex) {
    bool deleted = false;
    std::string text;
    ReadGameText(GameIndex, deleted, text);
    HeaderFromText(CurrentHeader, text, true);
    CurrentHeader.Deleted = deleted;
}

void TGameListCore::LoadRowHeader(std::int32_t GameIndex) {
    bool deleted = false;
    std::string text;
    bool partial = false;
    if (database_) {
        ReadGameText(GameIndex, deleted, text);
    } else {
        try {
            if (file_.IsOpen() && GameIndex >= 0 && GameIndex < EntryCount()) {
                const GameEntry e = Entry(GameIndex);
                const std::int64_t length = std::max<std::int64_t>(0, e.EndPos - e.StartPos);
                std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(length, kRowHeaderBytes));
                std::size_t have = 0;
                while (want > have) {
                    text.resize(want);
                    if (file_.ReadAt(e.StartPos + static_cast<std::int64_t>(have), text.data() + have, want - have) !=
                        want - have) {
                        text.clear();
                        fileChanged_ = true;
                        break;
                    }
                    have = want;
                    partial = have < static_cast<std::size_t>(length);
                    // A game's text ends at its first NUL byte: one within
                    // the part read makes the part the whole text.
                    if (partial && text.find('\0') != std::string::npos) partial = false;
                    // The players and the result may stand behind a long tag.
                    if (!partial || HeaderEndsWithin(text)) break;
                    want = static_cast<std::size_t>(std::min<std::int64_t>(length, std::min(have * 4, kRowHeaderLimit)));
                }
                if (text.empty()) partial = false;
                else FinishGameText(text);
            }
        } catch (...) {
            text.clear();
            partial = false;
        }
    }
    if (text.empty() && partial) {
        ClearEventData(CurrentHeader);  // blank start of a long game: not an error
    } else {
        HeaderFromText(CurrentHeader, text, false);
    }
    CurrentHeader.Deleted = deleted;
}

bool TGameListCore::OpenForReading(const std::string& path, std::string& error) {
    error.clear();
    struct stat st {};
    if (path.empty()) {
        error = "no file given";
        return false;
    }
    if (::stat(path.c_str(), &st) != 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = path + " is a directory";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool compressed = CompressedPgn(path);
    auto create = std::move(BeforeCreatePGNFile);
    BeforeCreatePGNFile = [](TGameListCore&, const std::string&, bool& createNew) { createNew = false; };
    try {
        ScanFile(path);
    } catch (const std::exception& e) {
        BeforeCreatePGNFile = std::move(create);
        error = UserErrorText(e);
        return false;
    }
    BeforeCreatePGNFile = std::move(create);
    if (fileName_ != path || !fileOpen_) {
        // A PGN file is refused only when its first lines are no PGN.
        if (UpperExtension(path) == ".PGN" || compressed)
            error = NotPgnText(path);
        else if (databaseMode_->LastError() == TCustomDatabase::errGeneral)
            error = "cannot open the game database " + path + " (in use by another program?)";
        else if (databaseMode_->LastError() == TCustomDatabase::errCreateIndex)
            error = "cannot build the index of the game database " + path;
        else
            error = path + " is not a PGN file or a game database";
        return false;
    }
    return true;
}

bool TGameListCore::OpenForReading(std::shared_ptr<TByteSource> source, const std::string& name, std::string& error) {
    error.clear();
    try {
        TBlockFile sniff;
        sniff.Attach(source, name);
        sniff.Glance();
        if (!LooksLikePGN(sniff, &error)) {
            if (error.empty()) error = NotPgnText(name);
            return false;
        }
        sniff.Close();
        ScanSource(std::move(source), name);
    } catch (const std::exception& e) {
        error = UserErrorText(e);
        return false;
    }
    return true;
}
