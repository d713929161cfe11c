// Writes arbitrary bytes to a .pgn file and runs the game index over it:
// scan, fetch every game, read every header and compose its list row. The
// ranges must tile the file and every fetch must stay inside it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "collection/pgn_core.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = WriteFuzzFile("scan.pgn", data, size);
    if (path.empty()) return 0;

    TPGNCore core;
    core.BeforeCreatePGNFile = [](TPGNCore&, const std::string&, bool& create) { create = false; };
    try {
        core.ScanFile(path);
    } catch (...) {
        return 0;
    }
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
