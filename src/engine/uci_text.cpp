#include "engine/uci_text.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

template <class T>
bool Number(std::string_view word, T& value) {
    auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && ptr == word.data() + word.size();
}

std::string Rest(const std::vector<std::string_view>& words, size_t from) {
    std::string text;
    for (size_t i = from; i < words.size(); ++i) text += (text.empty() ? "" : " ") + std::string(words[i]);
    return text;
}

// Reads the keys of an info line; false when a number is not one.
bool ReadInfo(const std::vector<std::string_view>& w, TUciInfo& info) {
    size_t i = 1;
    auto next = [&](auto& value) { return ++i < w.size() && Number(w[i], value); };
    for (; i < w.size(); ++i) {
        const std::string_view key = w[i];
        if (key == "depth") {
            if (!next(info.Depth) || info.Depth < 0) return false;
        } else if (key == "seldepth") {
            if (!next(info.SelDepth)) return false;
        } else if (key == "multipv") {
            if (!next(info.MultiPv) || info.MultiPv < 1) return false;
        } else if (key == "nodes") {
            if (!next(info.Nodes)) return false;
        } else if (key == "nps") {
            if (!next(info.Nps)) return false;
        } else if (key == "score") {
            if (i + 2 >= w.size() || (w[i + 1] != "cp" && w[i + 1] != "mate")) return false;
            info.Score.Mate = w[i + 1] == "mate";
            ++i;
            if (!next(info.Score.Value)) return false;
            info.HasScore = true;
            if (i + 1 < w.size() && (w[i + 1] == "lowerbound" || w[i + 1] == "upperbound")) {
                info.Bound = true;
                ++i;
            }
        } else if (key == "pv") {
            for (++i; i < w.size(); ++i) info.Pv.emplace_back(w[i]);
        } else if (key == "string" || key == "refutation" || key == "currline") {
            break;  // the rest of the line is theirs
        } else if (key == "wdl") {
            i += 3;
        } else if (key == "time" || key == "hashfull" || key == "tbhits" || key == "currmovenumber" ||
                   key == "cpuload" || key == "currmove") {
            ++i;
        }
    }
    return true;
}

}  // namespace

TUciLine ReadUciLine(std::string_view line) {
    TUciLine out;
    const std::vector<std::string_view> w = Words(line);
    if (w.empty()) return out;
    using Kind = TUciLine::Kind;
    if (w[0] == "uciok" && w.size() == 1) out.Type = Kind::UciOk;
    else if (w[0] == "readyok" && w.size() == 1) out.Type = Kind::ReadyOk;
    else if (w[0] == "bestmove" && w.size() >= 2) {
        out.Type = Kind::BestMove;
        out.Text = std::string(w[1]);
    } else if (w[0] == "id" && w.size() >= 3 && w[1] == "name") {
        out.Type = Kind::IdName;
        out.Text = Rest(w, 2);
    } else if (w[0] == "option" && w.size() >= 3 && w[1] == "name") {
        out.Type = Kind::Option;
        size_t end = 2;
        while (end < w.size() && w[end] != "type") ++end;
        out.Text = Rest(std::vector<std::string_view>(w.begin(), w.begin() + static_cast<long>(end)), 2);
    } else if (w[0] == "info") {
        if (ReadInfo(w, out.Info)) out.Type = Kind::Info;
        else out.Info = {};
    }
    return out;
}

std::string ScoreText(TUciScore score) {
    if (score.Mate) return "#" + std::to_string(score.Value);
    if (score.Value == 0) return "0.00";
    char text[32];
    const int v = std::abs(score.Value);
    std::snprintf(text, sizeof text, "%c%d.%02d", score.Value < 0 ? '-' : '+', v / 100, v % 100);
    return text;
}
