// The menu bar: File, Edit, Game, Search, View, Help, holding every command
// of the window with its key. The browsing keys (letters, keypad, arrows) are
// shown beside their commands but stay the key map's (the list reads them,
// so they work exactly as without menus); Ctrl keys are the menus' own.
// New switches of the View menu go through AddViewSwitch.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class TMainWindow;

class TWindowMenus : public QObject {
    Q_OBJECT
public:
    explicit TWindowMenus(TMainWindow* form);

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

private:
    // An entry that shows `keys` but leaves them to the key map.
    QAction* AddCommand(QMenu* menu, const QString& text, const QString& keys, const std::function<void()>& run);

    TMainWindow* form_;
    QMenu* file_;
    QMenu* edit_;
    QMenu* game_;
    QMenu* search_;
    QMenu* view_;
    QMenu* help_;
    QAction* coordinates_ = nullptr;
    QAction* paste_ = nullptr;
};
