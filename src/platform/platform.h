// The one seam through which widgets reach desktop services that block or
// leave the process: message boxes, the beep, the clipboard, the hourglass
// cursor and modal dialogs. Tests install a recording implementation so that
// nothing waits for a person.
#pragma once

#include <QString>
#include <string>

class QDialog;
class QKeyEvent;
class QWidget;

enum class TMessageKind { Information, Warning, Error };

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box with one OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, TMessageKind kind) = 0;
    virtual void Beep() = 0;
    virtual void SetClipboardText(const QString& text) = 0;
    virtual QString ClipboardText() = 0;
    // Hourglass cursor on (true) or back to the default (false).
    virtual void SetBusyCursor(bool busy) = 0;
    // Runs a modal dialog and returns its result code (QDialog::exec).
    virtual int ExecModal(QDialog* dialog) = 0;
    // The modal "open a file" dialog: starts in folder, offers the filters
    // (Qt's "Name (*.a *.b);;Other (*)" form); the chosen path, or empty
    // when the user cancels. Platforms without a person to ask cancel.
    virtual QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filters);
    // The modal "save as" dialog, which asks before an existing file is
    // replaced: the chosen path, or empty when the user cancels.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filters);

    // The platform in use; the desktop one unless a test installed another.
    static Platform& Get();
    // Installs p (not owned) and returns the previous one; nullptr restores the desktop.
    static Platform* Install(Platform* p);
};

// Shows the hourglass for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor() { Platform::Get().SetBusyCursor(true); }
    ~BusyCursor() { Platform::Get().SetBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Text of the program's own byte strings for display: valid UTF-8 as UTF-8,
// anything else as Latin-1.
QString TextFromBytes(const char* data, qsizetype size);
inline QString TextFromBytes(const std::string& s) { return TextFromBytes(s.data(), static_cast<qsizetype>(s.size())); }

// The key of a key event as the key map reads it. A letter key counts by its
// physical place whatever the keyboard layout: under a Cyrillic or Greek
// layout the key labelled Q on a Latin keyboard still gives Qt::Key_Q.
int KeyMapKey(const QKeyEvent& event);
