// Games that come as text (Ctrl+V, a text dropped on the window) rather than
// as a file: PGN text opens as a file of its games, a FEN as a game of that
// one position. The text lives in an anonymous in-memory file (memfd); the
// game list reads it through a link named "pasted.pgn" in a private folder,
// so that it is scanned and searched like any file on disk. Nothing is
// written to a disk; the link and its folder go when the games are closed.
#pragma once

#include <string>
#include <vector>

class TPastedGames {
public:
    TPastedGames() = default;
    ~TPastedGames();
    TPastedGames(const TPastedGames&) = delete;
    TPastedGames& operator=(const TPastedGames&) = delete;

    // The path of a new in-memory file holding the games of `text` (UTF-8);
    // empty, with a sentence for the user in error, when the text holds
    // neither PGN games nor a FEN position.
    std::string Open(const std::string& text, std::string& error);
    // The file at path is open now: earlier pasted files go.
    void Keep(const std::string& path);
    // The file at path was not opened after all.
    void Drop(const std::string& path);
    // Another file is open: every pasted file goes.
    void Release();

    // The PGN text a pasted text stands for; empty for junk.
    static std::string AsPgn(const std::string& text);

private:
    struct TFile {
        int fd = -1;
        std::string folder;
        std::string path;
    };
    static void Close(TFile& f);
    std::vector<TFile> files_;
};
