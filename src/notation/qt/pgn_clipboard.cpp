#include "notation/qt/pgn_clipboard.h"

#include "platform/platform.h"
#include "notation/pgn_writer.h"

void CopyPGNToSystemClipboard(TNotationCore& core) {
    CopyPGNToClipboard(core, [](const std::string& text) {
        Platform::Get().SetClipboardText(TextFromBytes(text));
        return true;
    });
}
