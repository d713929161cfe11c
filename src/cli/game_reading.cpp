#include "cli/game_reading.h"

#include "cli/game_input.h"
#include "collection/game_list_core.h"
#include "notation/layout.h"
#include "platform/error_text.h"
#include "platform/offscreen_qt.h"
#include "platform/platform.h"

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

namespace {

// The desktop services of a command: nothing modal, nothing shown.
class TCommandPlatform final : public Platform {
public:
    void ShowMessage(QWidget*, const QString& text, TMessageKind kind) override {
        if (kind == TMessageKind::Error) lastError = text.toStdString();
    }
    void Beep() override {}
    void SetClipboardText(const QString& text) override { clipboard_ = text; }
    QString ClipboardText() override { return clipboard_; }
    void SetBusyCursor(bool) override {}
    int ExecModal(QDialog*) override { return 0; }  // QDialog::Rejected
    QString ChooseOpenFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    std::string lastError;

private:
    QString clipboard_;
};

TCommandPlatform& CommandPlatform() {
    static TCommandPlatform platform;
    return platform;
}

}  // namespace

std::string LastWidgetError() { return CommandPlatform().lastError; }

std::unique_ptr<QApplication> StartOffscreenApp() {
    PrepareOffscreenQt();
    Platform::Install(&CommandPlatform());
    if (QCoreApplication::instance()) return nullptr;
    static int argc = 1;
    static char name[] = "quarzel-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace cli
