// The menu bar: File, Edit, Game, Search, View, Help, holding every command
// of the window with its key. The browsing keys (letters, keypad, arrows) are
// shown beside their commands but stay the key map's (the list reads them,
// so they work exactly as without menus); Ctrl keys are the menus' own.
// New switches of the View menu go through AddViewSwitch. What only the
// window can do (browsing, pasting, copying) the menus ask for by signals.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "app/browse_command.h"

class QAction;
class QMainWindow;
class QMenu;
class TBoardWidget;
class TFileOpener;
class TGameList;
class TPanes;
class TSearchController;

// What the menus act on directly.
struct TMenuTargets {
    // Holds the menu bar; the actions' keys work in it; Quit closes it.
    QMainWindow* Window = nullptr;
    TFileOpener* Opener = nullptr;
    TSearchController* Search = nullptr;
    // Flips the board and sizes the notation's font.
    TPanes* Panes = nullptr;
    TBoardWidget* Board = nullptr;
    TGameList* GameList = nullptr;
};

class TWindowMenus : public QObject {
    Q_OBJECT
public:
    TWindowMenus(const TMenuTargets& targets, QObject* parent);

    QMenu* File() const { return file_; }
    QMenu* Edit() const { return edit_; }
    QMenu* Game() const { return game_; }
    QMenu* Search() const { return search_; }
    QMenu* View() const { return view_; }
    QMenu* Help() const { return help_; }
    QAction* CoordinatesAction() const { return coordinates_; }
    QAction* PasteAction() const { return paste_; }

    // A checkable entry of the View menu: its state is set now and handed to
    // `toggled` whenever the user switches it.
    QAction* AddViewSwitch(const QString& text, bool on, const std::function<void(bool)>& toggled);

    // The Help window with every key of the window.
    void ShowKeys();

signals:
    // A command of the Game menu.
    void CommandChosen(TBrowseCommand command);
    // Paste (Ctrl+V): the clipboard's text.
    void PasteChosen(const QString& text);
    void CopyPositionChosen();
    void CopyGameChosen();
    void AutoplayIntervalChosen();

private:
    // An entry that shows `keys` but leaves them to the key map.
    QAction* AddCommand(QMenu* menu, const QString& text, const QString& keys, const std::function<void()>& run);
    // File > Save listed games as... (Ctrl+S, a shortcut of the window's).
    void AddSaveCommand(QMenu* menu, TGameList* list);

    QMainWindow* window_;
    QMenu* file_;
    QMenu* edit_;
    QMenu* game_;
    QMenu* search_;
    QMenu* view_;
    QMenu* help_;
    QAction* coordinates_ = nullptr;
    QAction* paste_ = nullptr;
};
