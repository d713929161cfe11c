// Writes arbitrary bytes to a .pgn file and runs the game index over it:
// scan, fetch every game, read every header and compose its list row. The
// ranges must tile the file and every fetch must stay inside it. The game
// starts must not depend on how the bytes are cut into blocks.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "collection/game_bounds.h"
#include "collection/pgn_core.h"

namespace {

std::string TempPath() {
    static std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir ? dir : "/tmp") + "/quarzel-fuzz-scan-" + std::to_string(getpid()) + ".pgn";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto whole = SplitGameBytes(bytes, size);
    TGameBounds pieces;
    for (size_t at = 0, k = 0; at < size; ++k) {
        const size_t n = std::min<size_t>(size - at, 1 + data[k % size] % 97);
        pieces.Feed(bytes + at, n);
        at += n;
    }
    pieces.Finish();
    if (pieces.Starts().size() != whole.size()) std::abort();
    for (size_t g = 0; g < whole.size(); ++g)
        if (pieces.Starts()[g] != static_cast<int64_t>(whole[g].first)) std::abort();

    const std::string path = TempPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    TPGNCore core;
    core.BeforeCreatePGNFile = [](TPGNCore&, const std::string&, bool& create) { create = false; };
    try {
        core.ScanFile(path);
    } catch (...) {
        return 0;
    }
    if (core.FileOpen() && core.EntryCount() != static_cast<int32_t>(whole.size())) std::abort();
    int64_t previousEnd = -1;
    for (int32_t i = 0; i < core.EntryCount(); ++i) {
        GameEntry e = core.Entry(i);
        if (e.StartPos < 0 || e.EndPos < e.StartPos || e.EndPos > static_cast<int64_t>(size)) std::abort();
        if (previousEnd >= 0 && e.StartPos != previousEnd) std::abort();
        previousEnd = e.EndPos;
    }
    for (int32_t i = 0; i < core.GameCount(); ++i) {
        int32_t id = 0;
        std::string text;
        core.GetGame(i, id, text);
        if (text.size() > size) std::abort();
        core.LoadHeader(i);
        TRowTexts row = ComposeRowTexts(core.CurrentHeader, i);
        (void)DisplayUtf8(row.Player);
    }
    std::remove(path.c_str());
    return 0;
}
