// The game file of a command: a path, or "-" for standard input. A pipe is
// read once: the games go to the command as the scan finds their ends and
// are dropped after, so nothing is copied anywhere; a file (or a redirected
// one) is scanned first and its games handed on in one go.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "collection/game_list_core.h"

namespace cli {

// Rows [first, end) of core, ready to be read; false: read no further.
using TRowSink = std::function<bool(TGameListCore& core, std::int32_t first, std::int32_t end)>;

// Opens path ("-": standard input) and hands every row to sink once, in
// order. Without a sink the caller reads the games after the scan (a pipe is
// then copied to a private unnamed file). A long scan shows a percentage on
// standard error when that is a terminal. False with a one-line reason.
bool ReadRows(TGameListCore& core, const std::string& path, std::string& error, const TRowSink& sink = {});
// The one-line error of a file that read short (TGameListCore::FileChanged).
std::string ChangedText(const std::string& path);

// The text of row `number` (from 1) as the viewer fetches it; a pipe is read
// up to that game only. False with a one-line reason: `missing` words it
// for a number past the last game, given the count. A game of a PGN file
// longer than maxBytes (when not 0) is refused as too large unread.
bool FetchRow(TGameListCore& core, const std::string& path, long long number, std::string& text, std::string& error,
              const std::function<std::string(std::int32_t count)>& missing, std::size_t maxBytes = 0);
// Is game `index` of a PGN file longer than maxBytes (0: no limit)? Its
// size is known from the scan, before a byte of it is read.
bool TooLargeToRead(const TGameListCore& core, std::int32_t index, std::size_t maxBytes);

}  // namespace cli
