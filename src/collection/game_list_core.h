// The game list's engine, free of any GUI: it owns one game file, finds where
// every game begins and ends without parsing it (a block scan for the tag
// sections that start games, collection/game_bounds.h), keeps only the byte
// offsets, lists one row per game and hands out any game's text with one
// positioned read.
// The Qt list TGameList wraps it; quarzel-cli and the benchmarks use it directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collection/game_header.h"
#include "database/game_database.h"
#include "source/block_file.h"


// One game's byte range: StartPos is the "[" of its first tag line (0 for a
// file without tags that is one game), EndPos the start of the next game or
// the end of the file.
struct GameEntry {
    std::int32_t GameNo = 0;
    std::int64_t StartPos = 0;
    std::int64_t EndPos = 0;
};

class TDatabaseMode;

// The game bounds of a list as they stand, shared with it rather than
// copied (no memory per game): bound i starts game i, bound i + 1 ends it.
// Readers on other threads keep them while the list goes on or closes.
struct TGameBoundsView {
    static constexpr std::size_t kChunkShift = 16;
    std::vector<std::shared_ptr<const std::int64_t[]>> Chunks;
    std::size_t Count = 0;  // bounds held: the games and one more
    std::int64_t At(std::size_t i) const { return Chunks[i >> kChunkShift][i & ((std::size_t{1} << kChunkShift) - 1)]; }
};

class TGameListCore {
public:
    static constexpr std::size_t kBlockSize = 16384;

    TGameListCore();
    ~TGameListCore();
    TGameListCore(const TGameListCore&) = delete;
    TGameListCore& operator=(const TGameListCore&) = delete;

    // Progress of a scan; the handler may set CancelMode to cmCancel.
    std::function<void(TGameListCore& Sender, std::int32_t Percent, TCancelMode& CancelMode)> OnPGNTrace;
    // A missing file is about to be created; answer false to refuse.
    std::function<void(TGameListCore& Sender, const std::string& FileName, bool& CreateNewPGNFile)> BeforeCreatePGNFile;
    // Asked for each game before its row is added (not during a scan).
    std::function<void(TGameListCore& Sender, const TGameHeader& GameHeader, bool& ShowThisGame)> OnFilterRequest;
    // Hourglass on (true) and back (false), always in pairs.
    std::function<void(bool busy)> OnBusyCursor;
    // Opens a game database for a file that is not ".pgn"; nullptr when it
    // fails. Without it such files are refused.
    std::function<std::unique_ptr<TGameDatabase>(TGameListCore& Sender, const std::string& path)> OpenDatabase;

    // Opens and indexes a file; an empty path closes everything. A completed
    // file is not scanned twice. Throws TFileError on I/O errors.
    void ScanFile(const std::string& FileName);

    // Indexes an open source (standard input) under the name given, as
    // ScanFile indexes a file. Throws TFileError on I/O errors.
    void ScanSource(std::shared_ptr<TByteSource> source, const std::string& FileName);

    // The simple entry point of the command-line tools: opens path for
    // reading, never creating a file. False with a one-line reason otherwise.
    bool OpenForReading(const std::string& path, std::string& error);
    // The same for an open source (standard input) shown as name.
    bool OpenForReading(std::shared_ptr<TByteSource> source, const std::string& name, std::string& error);

    // The text of the open file, for readers of their own (the search);
    // null when none is open or in database mode.
    std::shared_ptr<TByteSource> Source() const { return database_ ? nullptr : file_.Source(); }

    std::int32_t GameCount() const;
    // Text of game Index (trimmed) and its number; empty text and GameID -1
    // when it cannot be read. Without an open file GameID is left alone.
    void GetGame(std::int32_t Index, std::int32_t& GameID, std::string& PGNGame);
    // Text of game Index; empty on any error. Deleted is set in database mode only.
    void ReadGameText(std::int32_t Index, bool& Deleted, std::string& Text);

    // Fills CurrentHeader (with Movetext) from game GameIndex.
    void LoadHeader(std::int32_t GameIndex);
    // Fills CurrentHeader for drawing a row: reads only the start of the
    // game, leaves Movetext empty.
    void LoadRowHeader(std::int32_t GameIndex);
    TGameHeader CurrentHeader;

    // List rows. Without a filter row i shows game i and no per-row data
    // is kept, however many games there are.
    std::int32_t RowCount() const;
    // The game shown in Row; -1 outside the rows.
    std::int32_t GameIndexOfRow(std::int32_t Row) const;
    void AddRow(std::int32_t Row, std::int32_t EntryIndex);
    // No rows (a search then adds its hits) / a row for every game again.
    void ClearRows();
    void ShowAllRows();
    // Changes whenever rows are cleared or added (the view resets on it).
    std::uint64_t RowsVersion() const { return rowsVersion_; }

    void CloseFile();
    void ClearEntries();

    const std::string& FileName() const { return fileName_; }
    bool FileOpen() const { return fileOpen_; }
    bool Scanning() const { return scanning_; }
    bool ScanIncomplete() const { return scanIncomplete_; }
    // The file read shorter than its index says, or a game could not be read
    // again (the file shrank, was deleted or rewritten since it was opened):
    // what is listed is not all there is. Cleared when a file is opened.
    bool FileChanged() const { return fileChanged_; }
    TCancelMode CancelMode = cmNoCancel;

    std::int32_t EntryCount() const;
    GameEntry Entry(std::int32_t i) const;
    // Every game's bounds (file mode; empty for a database).
    TGameBoundsView BoundsView() const;
    // Bytes held by the game index (for the memory benchmark).
    std::size_t IndexBytes() const;

    bool DatabaseMode() const { return database_ != nullptr; }
    TGameDatabase* Database() const { return database_.get(); }
    // Database mode state (CheckStride, IndexWasMissing, InTrace, messages).
    // OpenDatabase opens ".ccf" chess databases through it unless replaced.
    TDatabaseMode& DatabaseModeState() { return *databaseMode_; }

private:
    void Scan(const std::string& path);
    void ScanBlocks();
    void AddEntry(std::int64_t start);
    void PushBound(std::int64_t pos);
    std::int64_t Bound(std::size_t i) const;
    bool OpenDatabaseAt(const std::string& path);
    void Busy(bool on);

    std::string fileName_;
    TBlockFile file_;
    std::shared_ptr<TByteSource> attach_;  // the source ScanSource hands to Scan
    bool fileOpen_ = false;
    bool scanning_ = false;
    bool scanIncomplete_ = false;
    std::atomic<bool> fileChanged_{false};
    std::int64_t databaseSize_ = 0;  // of the data file after the open
    std::int64_t pendingStart_ = -1;
    std::int32_t lastPercent_ = -1;

    // Game boundaries: bounds_[i] starts game i, bounds_[i + 1] ends it.
    // Stored in fixed chunks so that the index never needs a copy to grow
    // (8 bytes per game at any time).
    static constexpr std::size_t kChunkShift = TGameBoundsView::kChunkShift;
    static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkShift;
    std::vector<std::shared_ptr<std::int64_t[]>> chunks_;
    std::size_t boundCount_ = 0;

    // Rows: identity (row i = game i) unless rows were inserted out of order
    // or skipped by a filter; then rowEntries_ holds each row's game.
    bool identityRows_ = true;
    // A database lists every index entry until a search clears the rows.
    bool databaseAllRows_ = true;
    std::int32_t identityCount_ = 0;
    std::vector<std::int32_t> rowEntries_;
    std::uint64_t rowsVersion_ = 0;

    TStringList otherTags_;
    // Declared before database_ so that it outlives the database it opened.
    std::unique_ptr<TDatabaseMode> databaseMode_;
    std::unique_ptr<TGameDatabase> database_;
};
