#include "collection/pgn_sniff.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "collection/game_header.h"
#include "collection/game_text.h"

namespace {

// Reads the first lines of a file the way LooksLikePGN decides.
class TPgnSniff {
public:
    // 1: a PGN file, -1: not one, 0: not decided yet.
    int Feed(const char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const char c = p[i];
            if (c == '\n' && lastWasCr_) {
                lastWasCr_ = false;
                continue;  // the second half of CR LF
            }
            lastWasCr_ = c == '\r';
            if (c == '\n' || c == '\r') {
                if (const int verdict = EndLine(); verdict != 0) return verdict;
                if (lines_ >= 1000) return allEmpty_ ? 1 : -1;
                continue;
            }
            if (line_.size() < kLineBytes) line_ += c;
            lineHasChar_ = true;
        }
        return 0;
    }
    bool Finish() {
        if (lineHasChar_) {
            if (const int verdict = EndLine(); verdict != 0) return verdict > 0;
        }
        return lines_ == 0 || allEmpty_;
    }

private:
    // The first bytes of a line that are looked at.
    static constexpr std::size_t kLineBytes = 4096;

    // Ends the current line: 1 when it holds a tag line or movetext, -1 when
    // it is markup (a web page: its prose may well say "1. c4 e5"), else 0.
    int EndLine() {
        ++lines_;
        if (lineHasChar_) allEmpty_ = false;
        std::string_view line(line_);
        if (lines_ == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        const int verdict = !inComment_ && IsMarkup(line) ? -1 : Holds(line) ? 1 : 0;
        line_.clear();
        lineHasChar_ = false;
        return verdict;
    }

    // A line that starts (after blanks) with an element or declaration of
    // markup: "<html>", "</div>", "<!DOCTYPE html>", "<?xml".
    static bool IsMarkup(std::string_view line) {
        const std::size_t at = line.find_first_not_of(" \t\f");
        if (at == std::string_view::npos || line[at] != '<' || at + 1 >= line.size()) return false;
        const char c = line[at + 1];
        return c == '!' || c == '?' || c == '/' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }

    // Movetext: a move number directly followed by a move ("1. e4",
    // "12...Nf6"), or three moves in a row, outside comments, on a line of
    // text (no control characters: a binary file has them everywhere).
    bool Holds(std::string_view line) {
        if (!inComment_ && IsTagLine(line)) return true;
        if (!line.empty() && line[0] == '%') return false;
        for (char c : line) {
            const unsigned char u = static_cast<unsigned char>(c);
            if ((u < ' ' && c != '\t' && c != '\f') || u == 0x7F) return false;
        }
        std::size_t start = std::string_view::npos;
        int moves = 0;
        bool afterNumber = false;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            const char c = i < line.size() ? line[i] : ' ';
            if (inComment_) {
                if (c == '}') inComment_ = false;
                continue;
            }
            const bool separator = IsBlankByte(c) || c == '(' || c == ')' || c == '{' || c == ';';
            if (!separator) {
                if (start == std::string_view::npos) start = i;
                continue;
            }
            if (start != std::string_view::npos) {
                const std::string_view word = line.substr(start, i - start);
                const std::size_t digits = word.find_first_not_of("0123456789");
                const bool number = digits > 0 && digits != std::string_view::npos &&
                                    word.find_first_not_of('.', digits) == std::string_view::npos;
                if (IsMoveWord(word)) {
                    const bool glued = digits > 0 && digits != std::string_view::npos && word[digits] == '.';
                    if (afterNumber || glued || ++moves == 3) return true;
                } else {
                    moves = 0;
                }
                afterNumber = number;
            }
            start = std::string_view::npos;
            if (c == '{') inComment_ = true;
            if (c == ';') break;
        }
        return false;
    }

    std::string line_;
    bool lineHasChar_ = false;
    bool lastWasCr_ = false;
    bool inComment_ = false;
    bool allEmpty_ = true;
    int lines_ = 0;
};

}  // namespace

bool LooksLikePGN(const std::string& path) {
    if (!FileExists(path)) return false;
    TBlockFile file;
    file.Glance();
    try {
        OpenForBlocks(file, path);
    } catch (const std::exception&) {
        return false;
    }
    return LooksLikePGN(file);
}

bool LooksLikePGN(TBlockFile& file, std::string* error) {
    try {
        TPgnSniff sniff;
        char buf[65536];
        for (;;) {
            const std::size_t n = file.Read(buf, sizeof buf);
            if (n == 0) break;
            if (const int verdict = sniff.Feed(buf, n); verdict != 0) return verdict > 0;
        }
        return sniff.Finish();
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
}
