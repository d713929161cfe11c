#include "search/tree_cache.h"

#include "source/block_codec.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr char kMagic[8] = {'Q', 'Z', 'T', 'R', 'E', 'E', 0, 7};
constexpr char kSuffix[] = ".tree";
constexpr size_t kEdge = 64 * 1024;

uint64_t HashBytes(const char* p, size_t n, uint64_t h = 0) { return BlockCheck(p, n, h); }

bool ReadWhole(int fd, char* buf, size_t n, off_t at) {
    while (n > 0) {
        const ssize_t got = pread(fd, buf, n, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        buf += got;
        n -= static_cast<size_t>(got);
        at += got;
    }
    return true;
}

bool WriteWhole(int fd, const char* buf, size_t n) {
    while (n > 0) {
        const ssize_t put = write(fd, buf, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        buf += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

constexpr size_t kHashBlock = 1 << 20;

// The check of a cache file: the hash chained over its 1 MiB blocks, so that
// the writer needs no copy of the whole file.
uint64_t ChainedHash(const char* p, size_t n, uint64_t h = 0) {
    for (size_t at = 0; at < n; at += kHashBlock) h = HashBytes(p + at, std::min(kHashBlock, n - at), h);
    return h;
}

// Writes a cache file through a buffer of one hash block, hashing as it goes.
class TBlockWriter {
public:
    explicit TBlockWriter(int fd) : fd_(fd) { buf_.reserve(kHashBlock); }
    void Append(const char* p, size_t n) {
        while (n > 0 && ok_) {
            const size_t take = std::min(n, kHashBlock - buf_.size());
            buf_.append(p, take);
            p += take;
            n -= take;
            if (buf_.size() == kHashBlock) Flush();
        }
    }
    void Append(const std::string& s) { Append(s.data(), s.size()); }
    template <class T>
    void Put(T v) { Append(reinterpret_cast<const char*>(&v), sizeof v); }
    // Writes what is left and the check; false when any write failed.
    bool Finish() {
        Flush();
        const uint64_t h = hash_;
        return ok_ && WriteWhole(fd_, reinterpret_cast<const char*>(&h), sizeof h);
    }

private:
    void Flush() {
        if (buf_.empty()) return;
        hash_ = HashBytes(buf_.data(), buf_.size(), hash_);
        ok_ = ok_ && WriteWhole(fd_, buf_.data(), buf_.size());
        buf_.clear();
    }
    int fd_;
    std::string buf_;
    uint64_t hash_ = 0;
    bool ok_ = true;
};

// A chunk's summaries as the cache keeps them: packed, byte k of every
// summary next to each other (the fields repeat from game to game, so the
// planes pack far better than the summaries one after the other).
std::string PackInfos(std::span<const TTreeGameInfo> infos) {
    constexpr size_t kSize = sizeof(TTreeGameInfo);
    const auto* bytes = reinterpret_cast<const char*>(infos.data());
    std::string planes(infos.size() * kSize, '\0');
    for (size_t k = 0; k < kSize; ++k)
        for (size_t g = 0; g < infos.size(); ++g) planes[k * infos.size() + g] = bytes[g * kSize + k];
    return PackBlock(planes);
}

std::vector<TTreeGameInfo> UnpackInfos(std::string_view packed, size_t n) {
    constexpr size_t kSize = sizeof(TTreeGameInfo);
    thread_local std::string planes;
    if (!UnpackBlock(packed, n * kSize, planes)) return {};
    std::vector<TTreeGameInfo> infos(n);
    auto* bytes = reinterpret_cast<char*>(infos.data());
    for (size_t g = 0; g < n; ++g)
        for (size_t k = 0; k < kSize; ++k) bytes[g * kSize + k] = planes[k * n + g];
    return infos;
}

template <class T>
void Put(std::string& out, T v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// Reads forward through a loaded cache file, refusing to pass its end.
struct TReader {
    const char* p;
    size_t left;
    template <class T>
    bool Get(T& v) {
        if (left < sizeof v) return false;
        std::memcpy(&v, p, sizeof v);
        p += sizeof v;
        left -= sizeof v;
        return true;
    }
    bool View(std::string_view& out, size_t n) {
        if (left < n) return false;
        out = std::string_view(p, n);
        p += n;
        left -= n;
        return true;
    }
    bool Skip(size_t n) {
        if (left < n) return false;
        p += n;
        left -= n;
        return true;
    }
    bool Bytes(std::string& out, size_t n) {
        if (left < n) return false;
        out.assign(p, n);
        p += n;
        left -= n;
        return true;
    }
};

void PutIdentity(std::string& out, const TFileIdentity& id) {
    Put(out, id.Device);
    Put(out, id.Inode);
    Put(out, id.Size);
    Put(out, id.ModifiedNs);
    Put(out, id.EdgeHash);
}

// Takes the oldest cache files out of dir until it holds at most maxBytes.
void Prune(const std::string& dir, uint64_t maxBytes) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    struct TEntry {
        std::string Path;
        int64_t Used;
        uint64_t Size;
    };
    std::vector<TEntry> files;
    uint64_t total = 0;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= sizeof kSuffix || name.compare(name.size() - 5, 5, kSuffix) != 0) continue;
        struct stat st;
        const std::string path = dir + "/" + name;
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        files.push_back({path, int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
                         static_cast<uint64_t>(st.st_size)});
        total += static_cast<uint64_t>(st.st_size);
    }
    closedir(d);
    std::sort(files.begin(), files.end(), [](const TEntry& a, const TEntry& b) { return a.Used < b.Used; });
    for (const TEntry& f : files) {
        if (total <= maxBytes) break;
        if (unlink(f.Path.c_str()) == 0) total -= f.Size;
    }
}

}  // namespace

std::span<const TTreeGameInfo> TTreeChunk::Infos() const {
    if (!infosReady_)
        std::call_once(infosOnce_, [this] {
            try {
                ownInfos_ = UnpackInfos(PackedInfos, Count);
            } catch (const std::bad_alloc&) {
                ownInfos_.clear();
            }
        });
    return ownInfos_;
}

const std::string* TTreeChunk::UnpackedHeads() const {
    std::call_once(headsOnce_, [this] {
        auto raw = std::make_unique<std::string>();
        if (UnpackBlock(Heads, HeadsSize, *raw)) heads_ = std::move(raw);
    });
    return heads_.get();
}

bool IdentityOf(const std::string& path, TFileIdentity& id) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        id.Device = st.st_dev;
        id.Inode = st.st_ino;
        id.Size = static_cast<uint64_t>(st.st_size);
        id.ModifiedNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        std::string edges(std::min<uint64_t>(id.Size, kEdge), '\0');
        ok = ReadWhole(fd, edges.data(), edges.size(), 0);
        uint64_t h = HashBytes(edges.data(), edges.size());
        if (ok && id.Size > kEdge) {
            const uint64_t tail = std::min<uint64_t>(id.Size - kEdge, kEdge);
            edges.resize(tail);
            ok = ReadWhole(fd, edges.data(), tail, static_cast<off_t>(id.Size - tail));
            h = HashBytes(edges.data(), edges.size(), h);
        }
        id.EdgeHash = h;
    }
    close(fd);
    return ok;
}

std::string TreeCacheDir(const std::string& dir) {
    if (!dir.empty()) return dir;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/quarzel";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::string(home) + "/.cache/quarzel";
    return {};
}

std::string TreeCachePath(const std::string& cacheDir, const std::string& filePath, const TFileIdentity& id) {
    char full[PATH_MAX];
    const std::string name = realpath(filePath.c_str(), full) ? std::string(full) : filePath;
    std::string key = name;
    PutIdentity(key, id);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(HashBytes(key.data(), key.size())));
    return cacheDir + "/" + hex + kSuffix;
}

bool LoadTreeCache(const std::string& path, const TFileIdentity& id, int64_t games, TTreeChunks& chunks) {
    chunks.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    struct stat st;
    void* map = MAP_FAILED;
    size_t size = 0;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 16) {
        size = static_cast<size_t>(st.st_size);
        // Mapped, not read: the pages are the page cache's, shared by every run.
        map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) futimens(fd, nullptr);  // used now: the last to go when the folder is pruned
    }
    close(fd);
    if (map == MAP_FAILED) return false;
    std::shared_ptr<const void> mapping(map, [size](const void* p) { munmap(const_cast<void*>(p), size); });

    const char* data = static_cast<const char*>(map);
    uint64_t sum;
    std::memcpy(&sum, data + size - 8, 8);
    if (ChainedHash(data, size - 8) != sum) return false;
    TReader r{data, size - 8};
    std::string magic, idText, want;
    PutIdentity(want, id);
    uint64_t total = 0, count = 0;
    if (!r.Bytes(magic, 8) || magic != std::string(kMagic, 8) || !r.Bytes(idText, want.size()) || idText != want ||
        !r.Get(total) || !r.Get(count) || (games >= 0 && total != static_cast<uint64_t>(games)) ||
        total > (uint64_t{1} << 31))
        return false;
    uint64_t seen = 0;
    try {
        for (uint64_t c = 0; c < count; ++c) {
            auto chunk = std::make_shared<TTreeChunk>();
            uint32_t n, infosPacked, headsPacked, tailsPacked;
            std::string_view infos;
            if (!r.Get(n) || !r.Get(infosPacked) || !r.Get(chunk->HeadsSize) || !r.Get(headsPacked) ||
                !r.Get(chunk->TailsSize) || !r.Get(tailsPacked) || n == 0 || n > total - seen ||
                !r.View(infos, infosPacked) || !r.View(chunk->Heads, headsPacked) || !r.View(chunk->Tails, tailsPacked))
                return false;
            chunk->Count = n;
            chunk->PackedInfos = infos;
            if (chunk->HeadsSize != size_t{n} * 2 * kHeadWords) return false;
            chunk->Mapping = mapping;
            seen += n;
            chunks.push_back(std::move(chunk));
        }
    } catch (const std::bad_alloc&) {
        chunks.clear();
        return false;
    }
    if (seen != total || r.left != 0) {
        chunks.clear();
        return false;
    }
    return true;
}

bool SaveTreeCache(const std::string& path, const TFileIdentity& identity, const TTreeChunks& chunks, uint64_t maxBytes) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return false;
    const std::string dir = path.substr(0, slash);
    // The folder, private to the user; a link in its place is not followed.
    if (mkdir(dir.c_str(), 0700) != 0 && errno == ENOENT) {
        const size_t up = dir.rfind('/');
        if (up != std::string::npos && up > 0) mkdir(dir.substr(0, up).c_str(), 0700);
        mkdir(dir.c_str(), 0700);
    }
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;

    uint64_t games = 0, blocks = 0;
    for (const auto& c : chunks) {
        games += c->Count;
        blocks += c->Heads.size() + c->Tails.size();
    }
    // Its moves alone would not fit the folder (the whole file, once written,
    // is pruned like any other).
    if (blocks > maxBytes) return false;
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = false;
    try {
        TBlockWriter w(fd);
        w.Append(kMagic, 8);
        std::string id;
        PutIdentity(id, identity);
        w.Append(id);
        w.Put(games);
        w.Put(static_cast<uint64_t>(chunks.size()));
        for (const auto& c : chunks) {
            const std::span<const TTreeGameInfo> summaries = c->Infos();
            if (summaries.size() != c->Count) return false;
            const std::string infos = PackInfos(summaries);
            if (infos.empty()) return false;
            w.Put(c->Count);
            w.Put(static_cast<uint32_t>(infos.size()));
            w.Put(c->HeadsSize);
            w.Put(static_cast<uint32_t>(c->Heads.size()));
            w.Put(c->TailsSize);
            w.Put(static_cast<uint32_t>(c->Tails.size()));
            w.Append(infos);
            w.Append(c->Heads.data(), c->Heads.size());
            w.Append(c->Tails.data(), c->Tails.size());
        }
        ok = w.Finish() && fsync(fd) == 0;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (close(fd) != 0 || !ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    Prune(dir, maxBytes);
    return true;
}
