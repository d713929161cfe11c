// Small blocks of the program's own data (the opening tree's records)
// packed with zstd, in memory and in the cache: a fast level, a checksum in
// every frame so that a damaged block is found, never read as data; and the
// check of whole cache files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A 64-bit check of bytes (XXH3): finds damage, fast enough for whole files.
// Chained over pieces by passing the last check as seed.
uint64_t BlockCheck(const char* p, size_t n, uint64_t seed = 0);

// The block packed; empty on failure (no memory).
std::string PackBlock(std::string_view raw);
// Unpacks a block that PackBlock made of `rawSize` bytes into out; false when
// it is damaged or does not hold exactly that many bytes.
bool UnpackBlock(std::string_view packed, size_t rawSize, std::string& out);
