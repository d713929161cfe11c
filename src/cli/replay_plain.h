// quarzel-cli replay without the game tree: a game the plain reading takes
// (plain SAN from the standard start, no variations) is replayed straight
// from its text, so that a huge game of moves costs its text and its
// movetext (about twice its size) instead of a tree of ~100 bytes a move.
#pragma once

#include <string>
#include <string_view>

// Appends the lines `replay` prints for game n (its start, each MATCH stop
// and its end) to out and returns true; false, with out as it was, for a
// game the loader must read. `movetext` is working room kept between games.
bool ReplayPlainGame(std::string_view text, std::string_view n, std::string& out, std::string& movetext);
