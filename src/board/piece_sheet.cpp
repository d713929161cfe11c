#include "board/piece_sheet.h"

#include <array>
#include <cctype>
#include <cstdlib>

#include "board/piece_data.h"

namespace {

constexpr std::array<std::string_view, kPieceSetCount> kNames = {
    "User",        "F32",         "WinboardF21", "WinboardF25", "WinboardF29",
    "WinboardF33", "WinboardF37", "WinboardF40", "WinboardF45", "WinboardF49",
    "WinboardF54", "WinboardF58", "WinboardF64", "WinboardF72", "WinboardF80",
};

constexpr std::array<int, kPieceSetCount> kCellSizes = {0,  32, 21, 25, 29, 33, 37, 40,
                                                          45, 49, 54, 58, 64, 72, 80};

int SetIndex(TPieceSet set) {
    int i = static_cast<int>(set);
    return (i >= 0 && i < kPieceSetCount) ? i : -1;
}

}  // namespace

int PieceCellSize(TPieceSet set) {
    int i = SetIndex(set);
    return i < 0 ? 0 : kCellSizes[static_cast<size_t>(i)];
}

std::span<const uint8_t> PieceRunStream(TPieceSet set) {
    int i = SetIndex(set);
    if (i < 1) return {};
    const TPieceStreamData& d = kPieceStreams[static_cast<size_t>(i - 1)];
    return {d.data, d.size};
}

std::string_view PieceSetName(TPieceSet set) {
    int i = SetIndex(set);
    return i < 0 ? std::string_view("?") : kNames[static_cast<size_t>(i)];
}

bool PieceSetFromName(std::string_view name, TPieceSet& set) {
    for (int i = 0; i < kPieceSetCount; ++i) {
        std::string_view n = kNames[static_cast<size_t>(i)];
        if (n.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < n.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(n[k])) ==
                   std::tolower(static_cast<unsigned char>(name[k]));
        if (same) {
            set = static_cast<TPieceSet>(i);
            return true;
        }
    }
    return false;
}

TPieceSet NearestBuiltInSet(int size) {
    int best = 1;
    for (int i = 2; i < kPieceSetCount; ++i) {
        int d = std::abs(kCellSizes[static_cast<size_t>(i)] - size);
        int bd = std::abs(kCellSizes[static_cast<size_t>(best)] - size);
        if (d < bd || (d == bd && kCellSizes[static_cast<size_t>(i)] > kCellSizes[static_cast<size_t>(best)]))
            best = i;
    }
    return static_cast<TPieceSet>(best);
}

TPieceSet BuiltInSetForSquare(int size) {
    int best = -1;
    for (int i = 1; i < kPieceSetCount; ++i) {
        const int c = kCellSizes[static_cast<size_t>(i)];
        if (c <= size && (best < 0 || c > kCellSizes[static_cast<size_t>(best)])) best = i;
    }
    return best < 0 ? TPieceSet::WinboardF21 : static_cast<TPieceSet>(best);
}

long long ForEachRun(std::span<const uint8_t> stream, int cell,
                     const std::function<void(int x, int y, int length, bool black)>& run) {
    if (cell <= 0 || cell > 127) return -1;
    const int width = 12 * cell;
    const int height = 2 * cell;
    size_t pos = 0;
    for (int x = 0; x < width; ++x) {
        int y = 0;
        bool black = false;
        while (y < height) {
            if (pos >= stream.size()) return -1;
            int n = stream[pos++];
            if (n == 0 || y + n > height) return -1;
            if (run) run(x, y, n, black);
            y += n;
            black = !black;
        }
    }
    return static_cast<long long>(pos);
}

bool DecodeRunStream(std::span<const uint8_t> stream, int cell, TSheetBits& out) {
    if (cell <= 0 || cell > 127) return false;
    TSheetBits sheet;
    sheet.width = 12 * cell;
    sheet.height = 2 * cell;
    sheet.black.assign(static_cast<size_t>(sheet.width) * static_cast<size_t>(sheet.height), 0);
    long long used = ForEachRun(stream, cell, [&](int x, int y, int n, bool black) {
        if (!black) return;
        for (int k = 0; k < n; ++k) sheet.black[static_cast<size_t>(y + k) * sheet.width + x] = 1;
    });
    if (used < 0 || static_cast<size_t>(used) != stream.size()) return false;
    out = std::move(sheet);
    return true;
}

std::vector<uint8_t> EncodeRunStream(const TSheetBits& sheet) {
    std::vector<uint8_t> out;
    for (int x = 0; x < sheet.width; ++x) {
        bool colour = false;  // every column starts with a white run
        int y = 0;
        while (y < sheet.height) {
            int n = 0;
            while (y + n < sheet.height && sheet.At(x, y + n) == colour && n < 255) ++n;
            if (n == 0) return {};  // a column starting black cannot be stored
            out.push_back(static_cast<uint8_t>(n));
            y += n;
            colour = !colour;
        }
    }
    return out;
}
