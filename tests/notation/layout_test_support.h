// Helpers of the layout, writer and text-position tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "notation/layout.h"
#include "notation/notation_core.h"

namespace layouttest {

// A core with the layout attached, English moves, rows measured in characters.
struct TLaidOut {
    TNotationCore core;
    TNotationDisplay* display = nullptr;
    TUnitMeasure measure;
    explicit TLaidOut(bool english = true) {
        display = &AttachLayout(core, &measure);
        core.SetEnglish(english);
    }
    // Loads a game of the given tag lines (each "[Name \"value\"]") and movetext.
    int Load(const std::string& movetext, const std::vector<std::string>& tags = {}) {
        std::string text;
        bool event = false;
        for (const std::string& t : tags) {
            text += t + "\n";
            if (t.rfind("[Event ", 0) == 0) event = true;
        }
        if (!event) text = "[Event \"test\"]\n" + text;
        text += "\n" + movetext + "\n";
        return core.LoadGame(text);
    }
    // The rows as (font name, text) pairs.
    std::vector<std::pair<std::string, std::string>> Rows() const {
        std::vector<std::pair<std::string, std::string>> rows;
        for (int i = 0; i < display->RowCount(); ++i)
            rows.emplace_back(std::string(FontPropertyName(display->Rows[static_cast<size_t>(i)].Font)),
                              display->RowText(i));
        return rows;
    }
    const std::string& Text() const { return display->Text; }
    // 1-based position of the first occurrence of `s` in the notation text (0 if absent).
    int Find(const std::string& s, size_t from = 0) const {
        size_t p = display->Text.find(s, from);
        return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
    }
};

using Rows = std::vector<std::pair<std::string, std::string>>;

}  // namespace layouttest
