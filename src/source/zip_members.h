// Zip members packed with methods the system's libzip may not decode (the
// one in Debian 12 knows stored, deflate and bzip2): xz (method 95), zstd
// (93) and LZMA (14), decoded here with liblzma and libzstd from the
// member's stored bytes, read from its start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "source/byte_source.h"

class TZipMemberDecoder {
public:
    virtual ~TZipMemberDecoder() = default;
    // Up to n bytes of the member's text; ended is set at its end. Throws
    // TFileError (damaged or cut data) or std::bad_alloc.
    virtual std::size_t Read(char* buf, std::size_t n, bool& ended) = 0;
};

// Is method one of those decoded here?
bool DecodedHere(std::uint16_t method);

// A decoder of a member packed with method, reading its stored bytes from
// stored (from offset 0); text is the member's size as its entry tells.
std::unique_ptr<TZipMemberDecoder> NewZipMemberDecoder(std::uint16_t method, TRawInput& stored, std::int64_t text);
