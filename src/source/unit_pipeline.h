// Decoding on every core: a file made of units that decode on their own
// (zstd frames, bzip2 blocks) is cut into them in order, the units are
// decoded in parallel, and their texts are handed on in order; each unit's
// start becomes a restart point. Memory: a few units per core.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "source/decoding_source.h"

// A unit of stored data that decodes on its own.
struct TUnit {
    TRestartPoint start;       // in (and bits) filled by the splitter, out by the stream
    std::string input;         // its stored bytes (the format may prepare them)
    std::string text;          // its text, once decoded
    bool decoded = false;      // text holds the whole unit
    bool last = false;         // no unit follows: the end of the data
    // Not for the pipeline (too large, or not recognised): the text goes on
    // with the format's decoder from start, which also names any fault.
    bool handOver = false;
    std::exception_ptr error;  // reading the stored bytes failed
};

class TUnitFormat {
public:
    virtual ~TUnitFormat() = default;
    // The next unit, in order (called under a lock); set last at the end.
    virtual void Split(TUnit& unit) = 0;
    // Decodes unit.input into unit.text and sets decoded; any thread.
    virtual void Decode(TUnit& unit) = 0;
};

// The text of source from pos on, decoded unit by unit on every core; from
// a unit that fails or is handed over, by source's own decoder.
std::unique_ptr<TByteStream> UnitStream(TDecodingSource& source, std::unique_ptr<TUnitFormat> format,
                                        const TRestartPoint& from, std::int64_t pos);
