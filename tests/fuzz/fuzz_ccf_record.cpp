// Feeds arbitrary bytes to the chess database's record conversion as a
// stored record: the result is PGN text (or empty), and escaping any record
// decodes back to it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "database/chess_database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    std::string pgn = TChessDatabase::GameFromRecord(raw);
    if (!pgn.empty() && pgn[0] != '[') std::abort();
    if (TCustomDatabase::Decode(TCustomDatabase::Encode(raw)) != raw) std::abort();
    return 0;
}
