// Feeds arbitrary bytes to the piece-sheet readers: the run-stream decoder
// (the first byte picks the cell size) and the header reader of user sheet
// files. A stream that decodes must encode back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "board/piece_sheet.h"
#include "board/user_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> all(data, size);

    TImageHeader header;
    if (ReadImageHeader(all, header)) {
        if (header.width <= 0 || header.height <= 0 || header.minimumFileSize < 0) std::abort();
        if (UserSheetSizeOk(header.width, header.height) &&
            (header.height / 2 < 10 || header.height / 2 > 100 || header.width > kMaxSheetWidth))
            std::abort();
    }

    if (size == 0) return 0;
    const int cell = data[0] % 128;  // 0 and sizes the decoder refuses included
    std::span<const uint8_t> stream = all.subspan(1);
    TSheetBits sheet;
    if (!DecodeRunStream(stream, cell, sheet)) return 0;
    if (sheet.width != 12 * cell || sheet.height != 2 * cell) std::abort();
    const std::vector<uint8_t> again = EncodeRunStream(sheet);
    if (again.size() != stream.size() || !std::equal(again.begin(), again.end(), stream.begin())) std::abort();
    return 0;
}
