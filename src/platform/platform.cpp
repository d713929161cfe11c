#include "platform/platform.h"

#include <QKeyEvent>
#include <cstring>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringDecoder>

namespace {

class DesktopPlatform final : public Platform {
public:
    void ShowMessage(QWidget* parent, const QString& text, TMessageKind kind) override {
        QMessageBox::Icon icon = QMessageBox::Information;
        if (kind == TMessageKind::Warning) icon = QMessageBox::Warning;
        if (kind == TMessageKind::Error) icon = QMessageBox::Critical;
        QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
        box.exec();
    }
    void Beep() override { QApplication::beep(); }
    void SetClipboardText(const QString& text) override { QApplication::clipboard()->setText(text); }
    QString ClipboardText() override { return QApplication::clipboard()->text(); }
    void SetBusyCursor(bool busy) override {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else if (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    int ExecModal(QDialog* dialog) override { return dialog->exec(); }
    QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& filters) override {
        return QFileDialog::getOpenFileName(parent, caption, folder, filters);
    }
    QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& filters) override {
        return QFileDialog::getSaveFileName(parent, caption, folder, filters);
    }
};

DesktopPlatform desktop;
Platform* current = &desktop;

}  // namespace

Platform& Platform::Get() { return *current; }

QString Platform::ChooseOpenFile(QWidget*, const QString&, const QString&, const QString&) { return {}; }
QString Platform::ChooseSaveFile(QWidget*, const QString&, const QString&, const QString&) { return {}; }

Platform* Platform::Install(Platform* p) {
    Platform* previous = current;
    current = p ? p : &desktop;
    return previous;
}

QString TextFromBytes(const char* data, qsizetype size) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(data, size));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(data, size);
}

int KeyMapKey(const QKeyEvent& event) {
    const int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // X11 and Wayland report the XKB key code of the physical key (evdev code
    // + 8); these are the letter keys of the standard Latin rows.
    static const char kRows[][11] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const quint32 kFirst[] = {24, 38, 52};
    const quint32 code = event.nativeScanCode();
    for (int r = 0; r < 3; ++r) {
        const quint32 n = static_cast<quint32>(std::strlen(kRows[r]));
        if (code >= kFirst[r] && code < kFirst[r] + n) return Qt::Key_A + (kRows[r][code - kFirst[r]] - 'A');
    }
#endif
    return key;
}
