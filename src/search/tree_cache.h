// The opening tree's records of a file, kept between runs in the user's
// cache folder ($XDG_CACHE_HOME/quarzel, else ~/.cache/quarzel), never
// beside the file. A cache file is keyed by the game file's identity (device,
// inode, size, modification time and a hash of its first and last 64 KiB),
// checked whole before use (a damaged or stale one is not used and is
// replaced), written under a temporary name and renamed, and the folder is
// kept under a size: the files used longest ago go first.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <string>
#include <vector>

#include "search/tree_record.h"

// The records of a run of consecutive games: their summaries and their moves
// as two packed blocks (tree_record.h: the heads, the tails). A chunk just
// built holds them all in its own storage; one read from the cache points
// into the cache file mapped into memory (kept mapped by the chunk) and
// unpacks its summaries the first time a query asks for them, on the
// query's thread. Never changed once published; thread-safe.
struct TTreeChunk {
    uint32_t Count = 0;                     // games
    std::string_view Heads, Tails;          // packed (source/block_codec.h)
    uint32_t HeadsSize = 0, TailsSize = 0;  // unpacked
    std::string_view PackedInfos;           // the summaries as the cache keeps them
    std::shared_ptr<const void> Mapping;    // the mapped cache file the views point into

    // The summaries; empty when they are damaged.
    std::span<const TTreeGameInfo> Infos() const;
    size_t Bytes() const { return Count * sizeof(TTreeGameInfo) + Heads.size() + Tails.size(); }

    // Takes the storage of a chunk just built and points the views at it.
    void Own(std::vector<TTreeGameInfo> infos, std::string heads, std::string tails) {
        Count = static_cast<uint32_t>(infos.size());
        ownInfos_ = std::move(infos);
        infosReady_ = true;
        ownHeads_ = std::move(heads);
        ownTails_ = std::move(tails);
        Heads = ownHeads_;
        Tails = ownTails_;
    }

    // The heads unpacked, kept from the first time a query needs them (32
    // bytes a game): browsing asks for them at every position. Null when
    // the block is damaged.
    const std::string* UnpackedHeads() const;

private:
    mutable std::once_flag headsOnce_, infosOnce_;
    mutable std::unique_ptr<std::string> heads_;
    mutable std::vector<TTreeGameInfo> ownInfos_;
    bool infosReady_ = false;
    std::string ownHeads_, ownTails_;
};
using TTreeChunks = std::vector<std::shared_ptr<const TTreeChunk>>;

struct TFileIdentity {
    uint64_t Device = 0, Inode = 0, Size = 0;
    int64_t ModifiedNs = 0;
    uint64_t EdgeHash = 0;
    bool operator==(const TFileIdentity&) const = default;
};

// The identity of a regular file; false for anything else (a pipe, a
// missing file).
bool IdentityOf(const std::string& path, TFileIdentity& id);

// The cache folder: dir when given, else $XDG_CACHE_HOME/quarzel, else
// $HOME/.cache/quarzel; empty when none can be named.
std::string TreeCacheDir(const std::string& dir);
// The cache file of a game file in that folder.
std::string TreeCachePath(const std::string& cacheDir, const std::string& filePath, const TFileIdentity& id);

// Reads a cache file; false (chunks empty) unless it is whole, undamaged,
// made for `id` and holds exactly `games` games (any number when games is
// negative). Marks it as used.
bool LoadTreeCache(const std::string& path, const TFileIdentity& id, int64_t games, TTreeChunks& chunks);
// Writes the chunks to path (a temporary name, then renamed), then takes
// the oldest files out of the folder until it holds at most maxBytes.
// False when it could not be written (nothing is left behind then).
bool SaveTreeCache(const std::string& path, const TFileIdentity& id, const TTreeChunks& chunks, uint64_t maxBytes);
