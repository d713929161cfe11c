// Checks of a user piece-sheet file before any pixel is decoded: the header
// tells the size, and the size decides whether the file may be loaded at all.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// The board's messages about piece files. The loader speaks German only;
// the board's own missing-file message is English.
inline constexpr const char* kMsgFileNotFound = "File not found.";
inline constexpr const char* kMsgPieceFileNotFound = "Datei wurde nicht gefunden.";
inline constexpr const char* kMsgBitmapNotLoaded = "Bitmap konnte nicht geladen werden.";
inline constexpr const char* kMsgInvalidSize = "Ungültige Maße der Bitmap.";

enum class TImageKind { Unknown, Bmp, Png };

struct TImageHeader {
    TImageKind kind = TImageKind::Unknown;
    int64_t width = 0;
    int64_t height = 0;  // always positive (bottom-up and top-down BMPs alike)
    // For an uncompressed BMP: the least file size that holds all its pixel
    // rows; 0 when the header does not tell (compressed data, PNG).
    int64_t minimumFileSize = 0;
};

// Reads the size from the first bytes of a BMP (any of its info-header
// versions, including the old OS/2 core header) or PNG file. False when the
// bytes are no such header or it is inconsistent (zero or negative sizes,
// truncated header).
bool ReadImageHeader(std::span<const uint8_t> head, TImageHeader& header);

// Widest sheet accepted. Cells are stretched to the square, so nothing is
// gained by more; it keeps a hostile header from making the loader allocate
// gigabytes.
inline constexpr int64_t kMaxSheetWidth = 12 * 400;

// A user sheet needs half = height div 2 in 10..100 and width >= 12 * half,
// and no more than kMaxSheetWidth pixels across.
bool UserSheetSizeOk(int64_t width, int64_t height);
