// The record database specialised for chess games: one game per record,
// stored either as PGN text or in a compact form of tagged header fields and
// a move bit stream, in a data file with the extension ".ccf" (index
// ".ccfidx", lock ".ccftmp").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "database/custom_database.h"

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

    // Longest PGN text a compact record may expand to (each bit of a record
    // can close a variation, so a record may grow sixteenfold); a record
    // that would exceed it fails to read rather than coming back cut.
    static constexpr size_t kMaxGameText = size_t{512} << 20;
    size_t MaxGameTextBytes = kMaxGameText;

    // The PGN text of game n (deleted games included; deleted reports the
    // mark). False, with empty text and the read error raised, when the
    // record cannot be read or its text would exceed MaxGameTextBytes. A
    // compact record that cannot be decoded gives true and empty text.
    bool FetchGame(int64_t n, std::string& key, std::string& text, bool& deleted);

    // The game text of a record as stored (type byte first): PGN records come
    // back unchanged, compact ones are converted with RecordToPGN. False
    // (and empty text) when the text would exceed maxBytes.
    static bool GameFromRecord(std::string_view raw, std::string& text, size_t maxBytes = kMaxGameText);
    static std::string GameFromRecord(std::string_view raw);  // empty when too large

    // PGN text of a compact game (the record without its type byte). Empty
    // when a square value is out of range; false when the text would exceed
    // maxBytes.
    static bool RecordToPGN(std::string_view record, std::string& pgn, size_t maxBytes = kMaxGameText);
    static std::string RecordToPGN(std::string_view record);  // empty when too large

protected:
    std::string_view Identity() const override { return "TChessDatabase"; }

private:
    std::string mainFileExt_ = ".ccf";
};
