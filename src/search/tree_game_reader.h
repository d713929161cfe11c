// Reads one game's text into the opening tree's record of it
// (tree_record.h): its result, Elo and year from the tags, its main line
// from the bytes where the plain reading takes it, else from the viewer's
// own loader, so that the positions are those the viewer shows.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "search/tree_record.h"

class TNotationCore;

// The summary fields the tags give (result, Elo, year); plain is set false
// when a FEN or a variant other than standard chess asks for the loader.
TTreeGameInfo TreeHeaderInfo(std::string_view gameText);

class TTreeGameReader {
public:
    TTreeGameReader();
    ~TTreeGameReader();
    TTreeGameReader(const TTreeGameReader&) = delete;
    TTreeGameReader& operator=(const TTreeGameReader&) = delete;

    // Replaces out with the game's bytes and fills info (MovesAt left 0).
    // A game that cannot be read (too large, no memory) gets kGameUnread
    // and no moves. Never throws.
    void Read(std::string_view gameText, std::string& out, TTreeGameInfo& info);

    const std::atomic<bool>* Cancel = nullptr;

private:
    void ReadLoaded(std::string_view text, std::string& out, TTreeGameInfo& info);
    std::unique_ptr<TNotationCore> loader_;
    TTreeGameWriter writer_;
};
