// Arbitrary bytes as a game file, compressed in any of the forms the reader
// knows (the first bytes say which; the seeds hold one of each): the text is
// read in order up to a cap, then positioned reads at a few places must give
// the same bytes. Bad data must end in a TFileError (or no memory), never in
// a crash, a hang or different bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "fuzz/fuzz_file.h"
#include "source/byte_source.h"

namespace {

constexpr std::size_t kCap = 4 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = WriteFuzzFile("compressed", data, size);
    if (path.empty()) return 0;

    std::string text;
    std::shared_ptr<TByteSource> source;
    try {
        source = OpenByteSource(path);
        std::unique_ptr<TByteStream> stream = source->Stream(0);
        char buf[65536];
        while (text.size() < kCap) {
            const std::size_t n = stream->Read(buf, std::min(sizeof buf, kCap - text.size()));
            if (n == 0) break;
            text.append(buf, n);
        }
    } catch (const TFileError&) {
    } catch (const std::bad_alloc&) {
    }
    if (source && !text.empty()) {
        for (std::size_t pos : {std::size_t{0}, text.size() / 3, text.size() / 2, text.size() - 1}) {
            char out[256];
            std::size_t got = 0;
            try {
                got = source->ReadAt(static_cast<std::int64_t>(pos), out, sizeof out);
            } catch (const TFileError&) {
                std::abort();  // these bytes were read in order a moment ago
            } catch (const std::bad_alloc&) {
                continue;
            }
            const std::size_t want = std::min(sizeof out, text.size() - pos);
            if (got < want || std::memcmp(out, text.data() + pos, want) != 0) std::abort();
        }
    }
    std::remove(path.c_str());
    return 0;
}
