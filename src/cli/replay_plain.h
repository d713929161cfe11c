// quarzel-cli replay without the game tree: a game the plain reading takes
// (plain SAN from the standard start, no variations) is replayed straight
// from its text, so that a huge game of moves costs about its size instead
// of a tree of ~100 bytes a move.
#pragma once

#include <string>
#include <string_view>

// Appends the lines `replay` prints for game n (its start, each MATCH stop
// and its end) to out and returns true; false, with out as it was, for a
// game the loader must read. A huge game's text is turned into its movetext
// where it stands (no second copy): when that game needs the loader after
// all, text comes back empty, to be read again. `movetext` is working room
// kept between games.
bool ReplayPlainGame(std::string& text, std::string_view n, std::string& out, std::string& movetext);
