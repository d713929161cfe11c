// Helpers of the scanner tests: small game files, the game starts a scan
// found and the starts a plain reading of the rule finds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "collection/game_list_core.h"
#include "collection/game_text.h"
#include "support/test_data.h"

namespace scantest {

inline std::string Game(int i, const std::string& eol = "\n") {
    return "[Event \"E" + std::to_string(i) + "\"]" + eol + "[White \"W" + std::to_string(i) + "\"]" + eol +
           "[Black \"B\"]" + eol + "[Result \"1-0\"]" + eol + eol + "1. e4 e5 1-0" + eol + eol;
}

inline std::vector<std::int64_t> Starts(const TGameListCore& c) {
    std::vector<std::int64_t> v;
    for (std::int32_t i = 0; i < c.EntryCount(); ++i) v.push_back(c.Entry(i).StartPos);
    return v;
}

// Starts found by a plain reading of the rule, line by line: a game starts
// at a tag line outside comments that follows movetext, repeats a tag name
// of its section, or is the first; a file with movetext but no tag line is
// one game.
inline std::vector<std::int64_t> ExpectedStarts(const std::string& bytes) {
    std::vector<std::int64_t> v;
    bool inComment = false, inGame = false, body = false, content = false;
    std::set<std::string, std::less<>> names;
    std::size_t pos = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        std::string_view line(bytes.data() + pos, end - pos);
        const std::size_t at = pos;
        pos = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (inComment) {
            const std::size_t close = line.find('}');
            if (close == std::string_view::npos) continue;
            inComment = false;
            line.remove_prefix(close + 1);
        } else {
            std::size_t k = line.starts_with("\xEF\xBB\xBF") ? 3 : 0;
            while (k < line.size() && static_cast<unsigned char>(line[k]) <= ' ') ++k;
            if (k == line.size() || (k == 0 && line[0] == '%')) continue;
            if (line[k] == '[') {
                const std::size_t name = TagNameLength(line.substr(k));
                if (name == 0) continue;
                std::size_t from = k + 1;
                while (line[from] == ' ' || line[from] == '\t') ++from;
                const std::string_view key = line.substr(from, name);
                if (!inGame || body || names.count(key)) {
                    v.push_back(static_cast<std::int64_t>(at + k));
                    names.clear();
                    inGame = true;
                    body = false;
                }
                names.emplace(key);
                continue;
            }
            body = content = true;
        }
        for (std::size_t k = 0; k < line.size() && line[k] != ';'; ++k) {
            if (line[k] != '{') continue;
            const std::size_t close = line.find('}', k);
            if (close == std::string_view::npos) {
                inComment = true;
                break;
            }
            k = close;
        }
    }
    if (!inGame && content) v.push_back(0);
    return v;
}

struct Scanned {
    testdata::TempDir dir;
    std::filesystem::path path;
    TGameListCore core;
    explicit Scanned(const std::string& bytes, const std::string& name = "games.pgn") {
        path = dir / name;
        testdata::WriteFile(path, bytes);
        core.ScanFile(path.string());
    }
};

inline std::string TextOf(TGameListCore& c, int i) {
    std::int32_t id = 77;
    std::string text;
    c.GetGame(i, id, text);
    return text;
}


}  // namespace scantest
