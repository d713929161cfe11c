#include "app/window_menus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "app/key_help.h"
#include "app/open_file.h"
#include "app/save_games.h"
#include "app/search_controller.h"
#include "app/window_layout.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "platform/guarded.h"
#include "platform/platform.h"

TWindowMenus::TWindowMenus(const TMenuTargets& targets, QObject* parent)
    : QObject(parent), window_(targets.Window) {
    QMainWindow* window = window_;
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));
    file_ = bar->addMenu(QStringLiteral("&File"));
    edit_ = bar->addMenu(QStringLiteral("&Edit"));
    game_ = bar->addMenu(QStringLiteral("&Game"));
    search_ = bar->addMenu(QStringLiteral("&Search"));
    view_ = bar->addMenu(QStringLiteral("&View"));
    help_ = bar->addMenu(QStringLiteral("&Help"));

    // File: the opener's own actions, so their keys work as before.
    TFileOpener* opener = targets.Opener;
    file_->addAction(opener->OpenAction());
    QMenu* recent = file_->addMenu(QStringLiteral("&Recent files"));
    for (QAction* a : opener->RecentActions()) recent->addAction(a);
    file_->addSeparator();
    AddSaveCommand(file_, targets.GameList);
    file_->addSeparator();
    QAction* quit = file_->addAction(QStringLiteral("&Quit"));
    connect(quit, &QAction::triggered, window, &QWidget::close);

    paste_ = edit_->addAction(QStringLiteral("&Paste games or position"));
    paste_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    paste_->setShortcutContext(Qt::WindowShortcut);
    window->addAction(paste_);
    connect(paste_, &QAction::triggered, this, [this] { emit PasteChosen(Platform::Get().ClipboardText()); });
    edit_->addSeparator();
    AddCommand(edit_, QStringLiteral("Copy position (&FEN)"), {}, [this] { emit CopyPositionChosen(); });
    AddCommand(edit_, QStringLiteral("Copy game (P&GN)"), {}, [this] { emit CopyGameChosen(); });

    using C = TBrowseCommand;
    auto run = [this](C c) { return [this, c] { emit CommandChosen(c); }; };
    AddCommand(game_, QStringLiteral("To &start"), QStringLiteral("Q, Num 7, Home"), run(C::ToStart));
    AddCommand(game_, QStringLiteral("&Back"), QStringLiteral("A, Num 4, Left"), run(C::StepBack));
    AddCommand(game_, QStringLiteral("&Forward"), QStringLiteral("D, Num 6, Right"), run(C::StepForward));
    AddCommand(game_, QStringLiteral("Forward, choosing the &variation..."), QStringLiteral("S, Num 5"),
               run(C::StepForwardBranch));
    AddCommand(game_, QStringLiteral("To &end"), QStringLiteral("Z, Y, Num 1, End"), run(C::ToEnd));
    game_->addSeparator();
    AddCommand(game_, QStringLiteral("&Previous match"), QStringLiteral("E, Num 9"), run(C::PrevMatch));
    AddCommand(game_, QStringLiteral("&Next match"), QStringLiteral("C, Num 3"), run(C::NextMatch));
    game_->addSeparator();
    AddCommand(game_, QStringLiteral("P&revious game"), QStringLiteral("W, Num 8"), run(C::PrevGame));
    AddCommand(game_, QStringLiteral("Ne&xt game"), QStringLiteral("X, Num 2"), run(C::NextGame));
    game_->addSeparator();
    AddCommand(game_, QStringLiteral("&Autoplay (on / off)"), QStringLiteral("P"), run(C::Autoplay));
    AddCommand(game_, QStringLiteral("Autoplay &interval..."), {}, [this] { emit AutoplayIntervalChosen(); });
    game_->addSeparator();
    AddCommand(game_, QStringLiteral("&Load the selected game"), QStringLiteral("Enter"),
               [list = targets.GameList] { list->ReportChosenGame(); });

    TSearchController* s = targets.Search;
    AddCommand(search_, QStringLiteral("Find this &position in all games"), QStringLiteral("Ctrl+F"),
               [s] { s->SearchCurrentPosition(); });
    AddCommand(search_, QStringLiteral("Find &text in the headers..."), QStringLiteral("Ctrl+T"),
               [s] { s->AskAndSearchText(); });
    AddCommand(search_, QStringLiteral("F&ilter games..."), QStringLiteral("Ctrl+Shift+F"), [s] { s->AskAndFilter(); });
    AddCommand(search_, QStringLiteral("&Cancel the search"), QStringLiteral("Esc"), [s] { s->Cancel(); });
    AddCommand(search_, QStringLiteral("Show &all games"), QStringLiteral("Esc"), [s] { s->ShowAllGames(); });

    TPanes* panes = targets.Panes;
    TBoardWidget* board = targets.Board;
    AddCommand(view_, QStringLiteral("&Flip board"), QStringLiteral("F"), [panes] { panes->FlipBoard(); });
    coordinates_ = AddViewSwitch(QStringLiteral("&Coordinates"), board->Coordinates(),
                                 [board, panes](bool on) {
                                     board->SetCoordinates(on);
                                     panes->PositionShown();
                                 });
    view_->addSeparator();
    auto font = [panes](int step) {
        return [panes, step] { panes->SetNotationFontPixels(step == 0 ? 11 : panes->NotationFontPixels() + step); };
    };
    QAction* larger = view_->addAction(QStringLiteral("&Larger notation font"), font(+1));
    larger->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction* smaller = view_->addAction(QStringLiteral("&Smaller notation font"), font(-1));
    smaller->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    QAction* normal = view_->addAction(QStringLiteral("&Normal notation font"), font(0));
    normal->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    for (QAction* a : {larger, smaller, normal}) window->addAction(a);
    connect(view_, &QMenu::aboutToShow, this, [this, board] { coordinates_->setChecked(board->Coordinates()); });

    QAction* keys = help_->addAction(QStringLiteral("&Keys"), this, &TWindowMenus::ShowKeys);
    keys->setShortcut(QKeySequence(Qt::Key_F1));
    window->addAction(keys);
    help_->addAction(QStringLiteral("&About"), this, [this] { ShowAbout(window_); });
}

QAction* TWindowMenus::AddCommand(QMenu* menu, const QString& text, const QString& keys,
                                  const std::function<void()>& run) {
    // The keys after a tab stand where a menu shows shortcuts, without
    // binding them: the key map handles them where the list has the focus.
    QAction* a = menu->addAction(keys.isEmpty() ? text : text + QLatin1Char('\t') + keys);
    connect(a, &QAction::triggered, this, run);
    return a;
}

QAction* TWindowMenus::AddViewSwitch(const QString& text, bool on, const std::function<void(bool)>& toggled) {
    QAction* a = view_->addAction(text);
    a->setCheckable(true);
    a->setChecked(on);
    connect(a, &QAction::toggled, this, toggled);
    return a;
}

void TWindowMenus::ShowKeys() { ShowKeyHelp(window_); }

void TWindowMenus::AddSaveCommand(QMenu* menu, TGameList* list) {
    QAction* save = menu->addAction(QStringLiteral("&Save listed games as..."));
    save->setObjectName(QStringLiteral("SaveListedGames"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setShortcutContext(Qt::WindowShortcut);
    window_->addAction(save);
    QWidget* window = window_;
    connect(save, &QAction::triggered, this, [window, list] { Guarded(window, [&] { SaveListedGames(window, *list); }); });
}
