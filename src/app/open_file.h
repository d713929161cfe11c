// Opening game files once the viewer runs: the file dialog (also asked at a
// start without a parameter), Ctrl+O, a file dropped on the window, and the
// recent files (Ctrl+1 ... Ctrl+9, the File menu and the game list's context
// menu); text dropped on the window goes to the owner as pasted text. The
// recent files and the folder of the last file opened are kept in the
// viewer's settings.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class QAction;
class QWidget;

class TFileOpener : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRecent = 9;

    // window takes the drops; menuOwner (the game list) carries the actions:
    // its context menu lists them and their shortcuts work in the window.
    TFileOpener(QWidget* window, QWidget* menuOwner);

    // Asks for a file through the platform's file dialog, starting in the
    // last folder used; empty when cancelled.
    QString AskForFile();
    // The file is open: it heads the recent files, its folder is the next
    // dialog's start.
    void Remember(const QString& path);
    QStringList RecentFiles() const;
    QString LastFolder() const;

    static QString Caption() { return QStringLiteral("Open a game file"); }
    static QString Filters();
    QAction* OpenAction() const { return open_; }
    // Ctrl+1 ... Ctrl+9; only those with a file are visible.
    const std::vector<QAction*>& RecentActions() const { return recent_; }

signals:
    // The user chose a file (dialog, drop, recent file); the owner opens it.
    void FileChosen(const QString& path);
    // Text (not a file) was dropped on the window: PGN games or a FEN.
    void TextDropped(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateRecentActions();
    void Choose(const QString& path);

    QWidget* window_;
    QAction* open_ = nullptr;
    QAction* separator_ = nullptr;
    std::vector<QAction*> recent_;
};
