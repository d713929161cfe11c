// Writes arbitrary bytes to a .pgn file and runs the game index over it:
// scan, fetch every game, read every header and compose its list row. The
// ranges must tile the file and every fetch must stay inside it. The game
// starts must not depend on how the bytes are cut into blocks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "collection/game_bounds.h"
#include "collection/game_list_core.h"
#include "collection/row_texts.h"
#include "fuzz/fuzz_file.h"
#include "source/byte_source.h"

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

    // Bytes that start as a compressed file are read as one (fuzz_compressed).
    if (DetectCompression(std::string_view(bytes, std::min<size_t>(size, 8))) != TCompression::None) return 0;
    const std::string path = WriteFuzzFile("scan.pgn", data, size);
    if (path.empty()) return 0;

    TGameListCore core;
    core.BeforeCreatePGNFile = [](TGameListCore&, const std::string&, bool& create) { create = false; };
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
