// The quick look that tells a PGN file from other files (HTML, binaries)
// before it is scanned.
#pragma once

#include <string>

#include "source/block_file.h"

// True when one of the first 1000 lines is a tag line or holds movetext (a
// move number followed by a move, or three moves in a row, outside comments,
// on a line without control characters), or when the file holds nothing but
// empty lines; false for other files (HTML, binary) and on any I/O error. Of
// a long line the first 4 KB are looked at.
bool LooksLikePGN(const std::string& path);
// The same for an open file, read from its start; a read error gives false
// and, with error given, its message.
bool LooksLikePGN(TBlockFile& file, std::string* error = nullptr);
