// A database of variable-length records in a data file, found by number
// through an index file of 8-byte positions, and marked as in use by a lock
// file held open (and locked with flock) while the database is open.
//
// Data file: records, each a byte string followed by one zero byte; inside a
// record 255 is stored as 255,5 and 0 as 255,6. A record made only of bytes 7,
// or an empty one, is deleted. Index file: little-endian signed 64-bit values;
// 0: 1234567890, 1: 0, 2: live record count, 3: 0, 4..7: owner's values,
// 8+n: start offset + 1 of record n (negated for a deleted record).
//
// The database is only read by this program. It writes the lock file, the
// index file when it is missing or fails its check, and one zero byte at the
// end of a writable data file whose last record lacks its terminator. Files
// the user write-protected are never written: such an index is rebuilt into
// a private scratch file instead, and such a data file is read as it is.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TCustomDatabase {
public:
    static constexpr int64_t IndexMagic = 1234567890;
    static constexpr int IndexHeaderRecords = 8;

    // LastError codes.
    enum : int64_t {
        errNone = 0,
        errCreateIndex = 1,
        errWriteProtection = 2,
        errGeneral = 3,
        errIndexRange = 4,
        errRemove = 5,
        errRead = 6,
        errReplace = 7,
        errCompress = 8,
        errAdd = 9,
        errExtensions = 10,
    };

    TCustomDatabase();
    virtual ~TCustomDatabase();
    TCustomDatabase(const TCustomDatabase&) = delete;
    TCustomDatabase& operator=(const TCustomDatabase&) = delete;

    // Opens the database at path. Success is FileName() being non-empty
    // afterwards; otherwise LastError() tells why.
    void Open(const std::string& path, const std::string& indexExt,
              const std::array<int64_t, 4>& headerValues, const std::string& lockExt);
    // Releases the lock file; FileName() becomes empty.
    void Close();

    int64_t EntryCount();  // deleted records included; 0 when not open or busy
    int64_t LiveCount();   // index record 2; 0 when not open, busy or unreadable

    // Reads record n. Returns -1 on failure, 0 on success, 1 when the record
    // is deleted and skipDeleted is set. text is the decoded record (the raw
    // bytes with raw set).
    int GetRecord(int64_t n, std::string& key, std::string& text, bool& deleted, bool raw,
                  bool skipDeleted);

    // Rebuilds the index from the data file (the database must be open).
    bool RebuildIndex();

    static std::string Encode(std::string_view bytes);
    static std::string Decode(std::string_view bytes);
    static std::string_view ErrorText(int64_t code);

    const std::string& FileName() const { return FileName_; }
    const std::string& IndexName() const { return IndexName_; }
    const std::string& LockName() const { return LockName_; }
    const std::string& DatabaseTag() const { return DatabaseTag_; }
    int64_t LastError() const { return LastError_; }
    std::string_view LastErrorText() const { return ErrorText(LastError_); }
    bool Busy() const { return Busy_; }
    bool WasReadOnly() const { return WasReadOnly_; }
    bool LockOpen() const { return LockFd_ >= 0; }
    int64_t ChangeCount() const { return ChangeCount_; }

    // Longest record GetRecord reads (a data file without zero bytes would
    // otherwise be read whole into memory); longer ones fail with code 6.
    int64_t MaxRecordBytes = int64_t{512} << 20;

    int32_t CheckTimeLimit = 0;  // seconds a full check may take; 0 = no limit
    // Set before Open: nothing is written or created, as if every file were
    // write-protected (no lock file of ours, a missing or failing index kept
    // privately, the data file as it is). Another program's lock still
    // refuses the open.
    bool ReadOnly = false;
    // With ReadOnly: this process holds the lock itself (a second opening,
    // for a search beside the list), so the lock file is not looked at.
    bool BesideOwnOpening = false;
    // Set by a progress or stride callback to stop a check or rebuild.
    bool Cancel = false;

    // Asked after each valid index entry during the check at open; a stride
    // above 1 makes the check sample every stride-th entry.
    std::function<void(int64_t& stride, bool& cancel)> OnCheckStride;
    // Raised before a rebuild starts.
    std::function<void()> OnRebuildNotice;
    // Raised when the files are not usable, or a rebuild is cancelled or fails.
    std::function<void()> OnReadError;
    // Rebuild progress in percent; set cancel to stop.
    std::function<void(bool& cancel, int percent)> OnProgress;
    // Progress of a check that reports instead of asking for a stride (not
    // used by this program; kept so an owner can connect it).
    std::function<void(bool& cancel, int percent)> OnCheckProgress;
    // The check found a live count that disagrees with the index header.
    std::function<void()> OnBeep;

protected:
    // Identity that starts every record key.
    virtual std::string_view Identity() const { return "TCustomDatabase"; }
    int64_t LastError_ = 0;

private:
    struct Files;
    bool OpenFiles(Files& files);
    void CloseFiles(Files& files);
    bool ValidateFiles();
    // The index as read: the user's index file, or the private copy.
    int OpenIndexForReading() const;
    bool CheckIndex(Files& files);
    // Writes a new index for the data file to out: header, an entry per
    // record, the live count. lastByte: the data file's last byte. Throws
    // when a read or write fails or the rebuild is cancelled.
    void WriteIndex(Files& files, int out, unsigned char& lastByte);
    bool AcquireLock();
    void ReleaseLock();

    std::string FileName_;
    std::string IndexName_;
    std::string LockName_;
    std::string LockExt_;
    std::string DatabaseTag_;
    std::array<int64_t, 4> HeaderValues_{};
    bool Busy_ = false;
    bool WasReadOnly_ = false;
    int LockFd_ = -1;
    // An index rebuilt for a write-protected (or unwritable) index file lives
    // here, in an unnamed scratch file, while the database is open.
    int PrivateIndexFd_ = -1;
    int64_t DataDate_ = -1;
    int64_t IndexDate_ = -1;
    int64_t ChangeCount_ = 0;
};

namespace dbfile {

// path with its extension replaced by ext (which includes the dot); a name
// without extension gets ext appended.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// The extension of path's file name including the dot; empty when none.
std::string ExtractFileExt(const std::string& path);
// ASCII upper case.
std::string UpperAscii(std::string_view text);

}  // namespace dbfile
