#include "app/pasted_games.h"

#include <QDir>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

#include "collection/game_header.h"
#include "notation/notation_core.h"
#include "rules/fen.h"

namespace {

constexpr std::string_view kNothing =
    "The text holds neither PGN games nor a FEN position, so there is nothing to open.";

bool StartsLine(std::string_view text, std::string_view what) {
    for (std::size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + 1))
        if (p == 0 || text[p - 1] == '\n' || text[p - 1] == '\r') return true;
    return false;
}

std::string SevenTags(std::string_view event) {
    return "[Event \"" + std::string(event) +
           "\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n";
}

}  // namespace

TPastedGames::~TPastedGames() { Release(); }

std::string TPastedGames::AsPgn(const std::string& text) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) return {};
    // One line that reads as a FEN: a game of that position.
    if (trimmed.find_first_of("\r\n") == std::string_view::npos) {
        TBoard board{};
        TMoveRecord state{};
        uint16_t moveNo = 1;
        if (FENToPosition(trimmed, board, state, moveNo))
            return SevenTags("Pasted position") + "[SetUp \"1\"]\n[FEN \"" + std::string(trimmed) + "\"]\n\n*\n";
    }
    std::string pgn;
    if (StartsLine(trimmed, "[Event ")) {
        pgn = std::string(trimmed.substr(trimmed.find("[Event ")));
    } else if (trimmed.front() == '[') {
        pgn = "[Event \"?\"]\n" + std::string(trimmed);  // tags without an Event tag
    } else {
        pgn = SevenTags("?") + "\n" + std::string(trimmed);  // moves without tags
    }
    pgn += "\n";
    // Junk reads as a game without a single move or tag: not worth a file.
    TNotationCore probe;
    const std::size_t firstEnd = pgn.find("\n[Event ", 1);
    probe.LoadGame(pgn.substr(0, firstEnd));
    const bool tags = trimmed.front() == '[';
    if (!probe.HasGame() && !tags) return {};
    return pgn;
}

std::string TPastedGames::Open(const std::string& text, std::string& error) {
    const std::string pgn = AsPgn(text);
    if (pgn.empty()) {
        error = kNothing;
        return {};
    }
    TFile f;
    f.fd = memfd_create("pasted.pgn", MFD_CLOEXEC);
    QString base = QDir::tempPath() + QStringLiteral("/quarzel-pasted-XXXXXX");
    std::string folder = base.toStdString();
    if (f.fd < 0 || !mkdtemp(folder.data())) {
        Close(f);
        error = "The pasted games cannot be kept in memory.";
        return {};
    }
    f.folder = folder;
    std::size_t done = 0;
    while (done < pgn.size()) {
        const ssize_t n = ::write(f.fd, pgn.data() + done, pgn.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    // The link names the memory file by its descriptor in this process.
    const std::string target = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(f.fd);
    f.path = folder + "/pasted.pgn";
    if (done != pgn.size() || ::symlink(target.c_str(), f.path.c_str()) != 0) {
        Close(f);
        error = "The pasted games cannot be kept in memory.";
        return {};
    }
    files_.push_back(f);
    return f.path;
}

void TPastedGames::Close(TFile& f) {
    if (!f.path.empty()) ::unlink(f.path.c_str());
    if (!f.folder.empty()) ::rmdir(f.folder.c_str());
    if (f.fd >= 0) ::close(f.fd);
    f = TFile{};
}

void TPastedGames::Keep(const std::string& path) {
    std::vector<TFile> kept;
    for (TFile& f : files_) {
        if (f.path == path) kept.push_back(f);
        else Close(f);
    }
    files_ = kept;
}

void TPastedGames::Drop(const std::string& path) {
    for (auto it = files_.begin(); it != files_.end(); ++it)
        if (it->path == path) {
            Close(*it);
            files_.erase(it);
            return;
        }
}

void TPastedGames::Release() {
    for (TFile& f : files_) Close(f);
    files_.clear();
}
