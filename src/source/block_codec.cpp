#include "source/block_codec.h"

#include <xxhash.h>
#include <zstd.h>

#include <memory>

namespace {

struct TCCtxFree {
    void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct TDCtxFree {
    void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

}  // namespace

uint64_t BlockCheck(const char* p, size_t n, uint64_t seed) { return XXH3_64bits_withSeed(p, n, seed); }

std::string PackBlock(std::string_view raw) {
    thread_local std::unique_ptr<ZSTD_CCtx, TCCtxFree> ctx(ZSTD_createCCtx());
    if (!ctx) return {};
    ZSTD_CCtx_setParameter(ctx.get(), ZSTD_c_compressionLevel, 3);
    ZSTD_CCtx_setParameter(ctx.get(), ZSTD_c_checksumFlag, 1);
    std::string out(ZSTD_compressBound(raw.size()), '\0');
    const size_t n = ZSTD_compress2(ctx.get(), out.data(), out.size(), raw.data(), raw.size());
    if (ZSTD_isError(n)) return {};
    out.resize(n);
    out.shrink_to_fit();
    return out;
}

bool UnpackBlock(std::string_view packed, size_t rawSize, std::string& out) {
    thread_local std::unique_ptr<ZSTD_DCtx, TDCtxFree> ctx(ZSTD_createDCtx());
    if (!ctx) return false;
    const unsigned long long size = ZSTD_getFrameContentSize(packed.data(), packed.size());
    if (size != rawSize) return false;
    out.resize(rawSize);
    const size_t n = ZSTD_decompressDCtx(ctx.get(), out.data(), out.size(), packed.data(), packed.size());
    return !ZSTD_isError(n) && n == rawSize;
}
