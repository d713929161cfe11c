#include "platform/guarded.h"

#include <QString>

#include "platform/error_text.h"
#include "platform/platform.h"

void ReportCurrentException(QWidget* parent) noexcept {
    try {
        QString text = QString::fromLatin1(kUnexpectedErrorText);
        try {
            throw;
        } catch (const std::exception& e) {
            text = TextFromBytes(UserErrorText(e));
        } catch (...) {
        }
        Platform::Get().ShowMessage(parent, text, TMessageKind::Error);
    } catch (...) {
        // Nothing more can be said: the message itself failed (no memory).
    }
}
