// The game list's database mode: a file whose extension is not ".pgn" is
// opened as a chess game database and listed with one row per index entry
// (deleted games included, drawn struck out). TDatabaseMode holds the list's
// state for it and opens databases; TListDatabase is what the list reads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "database/chess_database.h"
#include "database/game_database.h"

// Messages of the database mode (error message boxes with an OK button).
inline constexpr const char* kDatabaseReadErrorText = "Serious error while reading file ";
inline constexpr const char* kDatabaseRebuildText =
    "Error in database. Index file will be recreated - it could take a longer while.";

class TDatabaseMode;

// An open chess database seen as the list's game source.
class TListDatabase : public TGameDatabase {
public:
    TListDatabase(std::unique_ptr<TChessDatabase> database, TDatabaseMode& mode);
    ~TListDatabase() override;

    // Games not marked deleted.
    std::int32_t GameCount() override;
    // Index entries, deleted ones included: one list row each.
    std::int32_t EntryCount() override;
    // PGN text of game index and its deletion mark; false when unreadable.
    bool ReadGame(std::int32_t index, bool& deleted, std::string& text) override;
    bool Busy() override;

    TChessDatabase& Database() { return *database_; }

private:
    std::unique_ptr<TChessDatabase> database_;
    TDatabaseMode& mode_;
    bool readErrorShown_ = false;
    friend class TDatabaseMode;
};

class TDatabaseMode {
public:
    // The number of index entries the quick check at open aims to sample.
    std::int32_t SampleCount = 200;
    // Step between sampled index entries while a database is being opened.
    std::int32_t CheckStride = 0;
    // No index file existed when the database was opened.
    bool IndexWasMissing = false;
    // Set while a database progress callback raises the trace event.
    bool InTrace = false;
    // Databases are opened without writing anything (TCustomDatabase::ReadOnly),
    // with BesideOwnOpening also without looking at the lock.
    bool ReadOnly = false;
    bool BesideOwnOpening = false;

    // An error message box (OK button) with this text.
    std::function<void(const std::string& text)> OnErrorMessage;
    // The list's progress event; the handler may answer cmCancel.
    std::function<void(std::int32_t percent, TCancelMode& mode)> OnTrace;
    // The database's beep (a live count that disagrees with its index).
    std::function<void()> OnBeep;

    // Opens path as a chess database for the list; nullptr when it cannot
    // be opened (not a chess database, locked by another user, unreadable).
    // The mode must outlive the databases it opens.
    std::unique_ptr<TGameDatabase> OpenDatabase(const std::string& path);

    // The database being opened (while OpenDatabase runs), else nullptr.
    TChessDatabase* Opening() const { return opening_; }
    // LastError of the last database that failed to open.
    std::int64_t LastError() const { return lastError_; }

private:
    friend class TListDatabase;
    void Connect(TChessDatabase& db, TListDatabase* list);
    void Progress(TChessDatabase& db, bool& cancel, int percent);

    TChessDatabase* opening_ = nullptr;
    std::int64_t lastError_ = 0;
};
