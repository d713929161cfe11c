#include "notation/qt/pgn_clipboard.h"

#include "notation/pgn_writer.h"
#include "platform/platform.h"

void CopyPGNToSystemClipboard(TNotationCore& core) {
    CopyPGNToClipboard(core, [](const std::string& text) {
        Platform::Get().SetClipboardText(TextFromBytes(text));
        return true;
    });
}
