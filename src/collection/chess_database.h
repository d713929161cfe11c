// The record database specialised for chess games: one game per record,
// stored either as PGN text or in a compact form of tagged header fields and
// a move bit stream, in a data file with the extension ".ccf" (index
// ".ccfidx", lock ".ccftmp").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collection/custom_database.h"

class TNotation;

class TChessDatabase : public TCustomDatabase {
public:
    // Index record 4 of a chess database.
    static constexpr int64_t ChessIdentification = 9876543210LL;

    TChessDatabase();

    // The notation control the database may be linked to. Optional: nothing
    // here depends on it, and the game list leaves it empty.
    TNotation* Notation = nullptr;

    // Extension of the data file (default ".ccf"); the index and lock files
    // use it followed by "idx" and "tmp". A value without a leading dot gets one.
    const std::string& mainFileExt() const { return mainFileExt_; }
    void setMainFileExt(const std::string& value);
    std::string IndexExt() const { return mainFileExt_ + "idx"; }
    std::string LockExtension() const { return mainFileExt_ + "tmp"; }

    // True when path carries the data extension and either has no index yet
    // or an index that identifies itself as ours.
    bool IsChessDatabase(const std::string& path) const;

    // Opens path as a chess database. A file that exists but is not one is
    // refused with LastError() 10. Success: FileName() is non-empty.
    void Open(const std::string& path);

    // The PGN text of game n (deleted games included; deleted reports the
    // mark). False, with empty text, when the record cannot be read. A
    // compact record that cannot be decoded gives true and empty text.
    bool FetchGame(int64_t n, std::string& key, std::string& text, bool& deleted);

    // The game text of a record as stored (type byte first): PGN records come
    // back unchanged, compact ones are converted with RecordToPGN.
    static std::string GameFromRecord(std::string_view raw);

    // PGN text of a compact game (the record without its type byte). Empty
    // when a square value is out of range.
    static std::string RecordToPGN(std::string_view record);

protected:
    std::string_view Identity() const override { return "TChessDatabase"; }

private:
    std::string mainFileExt_ = ".ccf";
};
