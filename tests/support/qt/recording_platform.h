// A Platform for widget tests: records every message, beep, clipboard text and
// cursor change, and answers modal dialogs through a callback instead of
// waiting for a person. Installed for its lifetime.
#pragma once

#include <functional>
#include <vector>

#include <QString>

#include "platform/platform.h"
#include "support/qt/qt_printers.h"

class RecordingPlatform final : public Platform {
public:
    struct Message {
        QString text;
        TMessageKind kind;
    };

    RecordingPlatform();
    ~RecordingPlatform() override;

    void ShowMessage(QWidget* parent, const QString& text, TMessageKind kind) override;
    void Beep() override { ++beeps; }
    void SetClipboardText(const QString& text) override { clipboard = text; ++clipboardWrites; }
    QString ClipboardText() override { return clipboard; }
    void SetBusyCursor(bool busy) override { busy ? ++busyOn : ++busyOff; }
    int ExecModal(QDialog* dialog) override;
    QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& filters) override;

    // The save dialog, answered by onChooseFile as well.
    QString ChooseSaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return onChooseFile ? onChooseFile() : QString();
    }

    // Answers a modal dialog; by default it is rejected (result 0).
    std::function<int(QDialog*)> onModal;
    // Answers the file dialog; by default it is cancelled (empty path).
    std::function<QString()> onChooseFile;

    std::vector<Message> messages;
    int beeps = 0;
    QString clipboard;
    int clipboardWrites = 0;
    int busyOn = 0;
    int busyOff = 0;
    int modals = 0;
    struct FileDialog {
        QString caption, folder, filters;
    };
    std::vector<FileDialog> fileDialogs;

private:
    Platform* previous_;
};
