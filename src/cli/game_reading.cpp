#include "cli/game_reading.h"

#include "cli/game_input.h"
#include "collection/game_list_core.h"
#include "notation/layout.h"
#include "platform/error_text.h"
#include "platform/offscreen_qt.h"

namespace cli {

bool LoadGameOfFile(const std::string& file, long long number, TNotationCore& core, std::string& error) {
    TGameListCore pgn;
    std::string text;
    auto missing = [&](std::int32_t count) {
        return "game " + std::to_string(number) + " not found: " + file + " holds " + std::to_string(count) + " games";
    };
    if (number < 1) {
        if (ReadRows(pgn, file, error)) error = missing(pgn.RowCount());
        return false;
    }
    // "-" reads standard input up to game `number` only.
    if (!FetchRow(pgn, file, number, text, error, missing, TNotationCore::kMaxGameBytes)) return false;
    AttachLayout(core);
    core.SetEnglish(true);
    const int loaded = core.LoadGame(text);
    if (loaded == lgTooLarge || loaded == lgNoMemory) {
        error = "game " + std::to_string(number) + " of " + file + ": " +
                (loaded == lgTooLarge ? kGameTooLargeText : kNoMemoryText);
        return false;
    }
    return true;
}

std::unique_ptr<QApplication> StartOffscreenApp() {
    PrepareOffscreenQt();
    if (QCoreApplication::instance()) return nullptr;
    static int argc = 1;
    static char name[] = "quarzel-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace cli
