#include "app/main_window.h"

#include "app/autoplay.h"
#include "app/comment_commands_view.h"

#include <QEvent>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStatusBar>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "app/accessibility.h"
#include "app/engine_controller.h"
#include "app/header_panel.h"
#include "app/notation_events.h"
#include "app/open_file.h"
#include "app/pasted_games.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "app/tree_controller.h"
#include "app/window_layout.h"
#include "app/window_menus.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "platform/platform.h"
#include "search/opening_names.h"

namespace {

const char kBrowseHint[] = "Use the numeric keys for intelligent browsing through games and moves";

// The game table's Opening column: the name the search's table gives a game.
std::string OpeningNameOfText(std::string_view gameText) { return OpeningOfGame(gameText).Name; }

QFont SansSerif(int pixelHeight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace

TMainWindow::TMainWindow(const QStringList& Params, QWidget* parent) : QMainWindow(parent), params_(Params) {
    InstallAccessibility();
    setWindowTitle(QStringLiteral("Quarzel PGN Viewer"));
    setFont(SansSerif(11));
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    Client->setBackgroundRole(QPalette::Button);
    Client->setAutoFillBackground(true);
    setCentralWidget(Client);

    // The board: 33-pixel squares on sky blue, an empty board until the
    // first game is shown. Drops are refused (no OnMoveTry handler).
    Board = new TBoardWidget(Client);
    Board->setObjectName(QStringLiteral("Board"));
    Board->SetPieceSet(TPieceSet::WinboardF33);
    Board->SetSquareSize(33);
    Board->SetStartPosition(false);
    Board->SetMovesAllowed(true);
    Board->SetBlackSquareColor(QColor(166, 202, 240));
    Board->SetSuggestMoves(true);
    Board->SetMarkLastMove(true);
    Board->SetCoordinates(true);
    Board->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    Board->setAccessibleName(QStringLiteral("Chess board"));
    Board->installEventFilter(this);

    Notation = new TNotation(Client);
    Notation->setObjectName(QStringLiteral("Notation"));
    Notation->SetHeadline(false);
    Notation->SetEnglish(true);
    const QFont notationFont = SansSerif(11);
    Notation->SetFontHeadLine(notationFont);
    Notation->SetFontComment(notationFont);
    Notation->SetFont0Var(notationFont);
    Notation->SetFont1Var(notationFont);
    Notation->SetFont2Var(notationFont);
    const QColor windowText = palette().color(QPalette::WindowText);
    for (TNotationFont f : {TNotationFont::HeadLine, TNotationFont::Comment, TNotationFont::Var0,
                            TNotationFont::Var1, TNotationFont::Var2})
        Notation->SetFontColor(f, windowText);
    // Comments in their own colour, so that an engine line in a comment is
    // not read as moves; readable on light and dark window colours.
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    Notation->SetFontColor(TNotationFont::Comment, TNotation::CommentText(dark));
    Notation->SetIndent0Var(2);
    Notation->SetIndent1Var(10);
    Notation->SetIndent2Var(18);
    Notation->SetAutoBold(true);
    Notation->SetLineSpacing(3);
    Notation->SetBevelOuter(TBevelKind::Lowered);
    Notation->SetNotationBevelWidth(1);
    Notation->SetNotationBorderWidth(0);
    notationEvents_ = std::make_unique<TNotationEvents>(*Notation);
    connect(notationEvents_.get(), &TNotationEvents::MoveChanged, this,
            [this](TMoveRecord& move, TBoard& position, bool nextMove) {
                OnMoveChanged(Notation, move, position, nextMove);
            });
    Notation->Loaded();
    Notation->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    Notation->setAccessibleName(QStringLiteral("Notation"));
    Notation->Paintbox()->installEventFilter(this);

    SetOpeningNamer(OpeningNameOfText);
    GameList = new TGameList(Client);
    GameList->setObjectName(QStringLiteral("GameList"));
    GameList->SetItemHeight(16);
    GameList->setProperty("TabOrder", 1);
    GameList->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    GameList->setAccessibleName(QStringLiteral("Games"));
    connect(GameList, &TGameList::GameChosen, this, &TMainWindow::OnGameListDoubleClick);
    connect(GameList, &TGameList::KeyDown, this, &TMainWindow::OnKey);
    // The window only ever opens files that exist; should one vanish between
    // the check and the scan, it must not be created behind the user's back.
    GameList->BeforeCreatePGNFile = [](TGameListCore&, const std::string&, bool& create) { create = false; };
    HeaderControl = GameList->horizontalHeader();
    HeaderControl->setFont(SansSerif(12));

    HeaderPanel = new THeaderPanel(Client);

    ButtonStart = MakeButton("ButtonStart", "<<", "To start", 8, 41, 4, "Also Numeric key 7 or q", &TMainWindow::ButtonStartClick);
    ButtonBack = MakeButton("ButtonBack", "<", "Back", 56, 49, 5, "Also Numeric key 4 or a", &TMainWindow::ButtonBackClick);
    ButtonNextBranch = MakeButton("ButtonNextBranch", "Var >", "Forward, choosing the variation", 112, 57, 12,
                             "Also Numeric key 5 or s", &TMainWindow::ButtonNextBranchClick);
    ButtonForward = MakeButton("ButtonForward", ">", "Forward", 176, 49, 6, "Also Numeric key 6 or d", &TMainWindow::ButtonForwardClick);
    ButtonEnd = MakeButton("ButtonEnd", ">>", "To end", 232, 41, 7, "Also Numeric key 1 or z", &TMainWindow::ButtonEndClick);
    ButtonPrevMatch = MakeButton("ButtonPrevMatch", "<Match", "Previous match", 288, 49, 13, "Also Numeric key 9 or e",
                            &TMainWindow::ButtonPrevMatchClick);
    ButtonNextMatch = MakeButton("ButtonNextMatch", "Match>", "Next match", 344, 49, 14, "Also Numeric key 3 or c",
                            &TMainWindow::ButtonNextMatchClick);
    ButtonPrevGame = MakeButton("ButtonPrevGame", "<Game", "Previous game", 400, 49, 10, "Also Numeric key 8 or w",
                          &TMainWindow::ButtonPrevGameClick);
    ButtonNextGame = MakeButton("ButtonNextGame", "Game>", "Next game", 456, 49, 11, "Also Numeric key 2 or x",
                          &TMainWindow::ButtonNextGameClick);
    ButtonClipPos = MakeButton("ButtonClipPos", "FEN", "Copy the position as FEN", 512, 49, 8, "FEN to Clipboard",
                               &TMainWindow::ButtonClipPosClick);
    ButtonClipPGN = MakeButton("ButtonClipPGN", "PGN", "Copy the game as PGN", 568, 49, 9, "PGN to Clipboard",
                               &TMainWindow::ButtonClipPGNClick);

    const std::vector<QPushButton*> buttons = {ButtonStart, ButtonBack, ButtonNextBranch, ButtonForward,
                                               ButtonEnd, ButtonPrevMatch, ButtonNextMatch, ButtonPrevGame,
                                               ButtonNextGame, ButtonClipPos, ButtonClipPGN};
    // Tab order as the screen reads: the table, the board, the buttons from
    // left to right, the notation. The board takes the focus too: its keys
    // are the window's.
    Board->setFocusPolicy(Qt::StrongFocus);
    std::vector<QWidget*> order = {GameList, Board};
    order.insert(order.end(), buttons.begin(), buttons.end());
    order.push_back(Notation);
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    Status = new TStatusLine(statusBar(), this);
    Search = std::make_unique<TSearchController>(
        TSearchContext{this, GameList, &Notation->Core(), Status, [this] { return LoadedGame; },
                       [this](const TSearchTarget& target, std::vector<TSearchHit>& hits, std::int64_t& unread) {
                           return Tree && Tree->FindPositions(target, hits, unread);
                       }},
        this);
    connect(Search.get(), &TSearchController::FirstGameWanted, this, &TMainWindow::OpenFirstGame);
    Pasted = std::make_unique<TPastedGames>();
    Panes = new TPanes({Client, GameList, Board, Notation, HeaderPanel, buttons}, this);
    Opener = new TFileOpener(this, GameList);
    connect(Opener, &TFileOpener::FileChosen, this, &TMainWindow::OpenFile);
    connect(Opener, &TFileOpener::TextDropped, this, &TMainWindow::OpenPastedText);
    Menus = new TWindowMenus({this, Opener, Search.get(), Panes, Board, GameList}, this);
    connect(Menus, &TWindowMenus::CommandChosen, this, &TMainWindow::Run);
    connect(Menus, &TWindowMenus::PasteChosen, this, &TMainWindow::OpenPastedText);
    connect(Menus, &TWindowMenus::CopyPositionChosen, this, &TMainWindow::ButtonClipPosClick);
    connect(Menus, &TWindowMenus::CopyGameChosen, this, &TMainWindow::ButtonClipPGNClick);
    Autoplay = new TAutoplay([this] {
        const bool moved = Notation->StepForward();
        ShowCurrentOnBoard();
        return moved;
    }, this);
    connect(Menus, &TWindowMenus::AutoplayIntervalChosen, this, [this] { Autoplay->AskInterval(this); });
    Commands = new TCommandsView({Notation, Board, Panes, Menus}, this);
    connect(notationEvents_.get(), &TNotationEvents::GameLoaded, Commands, &TCommandsView::GameLoaded);
    Engine = new TEngineController({this, Notation, Board, Panes, Menus}, this);
    connect(notationEvents_.get(), &TNotationEvents::GameLoaded, Engine, &TEngineController::MoveShown);
    Tree = new TTreeController({this, Board, Notation, GameList, Status, Panes, Menus,
                                [this] { return Search->Filtered(); },
                                [this](const std::vector<std::int32_t>& games, const QString& text) {
                                    Search->ListGames(games, text);
                                }},
                               this);
    connect(Tree, &TTreeController::StepWanted, this, [this] { Run(Command::StepForward); });
    // The tree follows the board, also to a position of an engine's line.
    connect(Engine, &TEngineController::LinePositionShown, Tree, &TTreeController::MoveShown);
    connect(GameList, &TGameList::SortProgress, Status, &TStatusLine::SortProgress);
    // The file went or shrank under the viewer: what the list shows is not
    // all there is, and games may not be read.
    connect(GameList, &TGameList::FileChanged, this, [this] {
        const QString note = QStringLiteral("   (incomplete: the file changed, open it again)");
        if (!windowTitle().endsWith(note)) setWindowTitle(windowTitle() + note);
        Status->Tell(QStringLiteral("%1 changed since it was read: open it again to see its games")
                         .arg(QString::fromStdString(GameList->FileName())));
    });
    Panes->RestoreSettings();
    // The client area at its start size, the menus above it and the status bar below.
    move(278, 105);
    resize(kStartClientSize.width(),
           kStartClientSize.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

TMainWindow::~TMainWindow() {
    // The controls outlive this object's own members by a moment (Qt deletes
    // children after the derived destructor): their wheel turns are no longer
    // this window's. The notation's events end with notationEvents_.
    Board->removeEventFilter(this);
    Notation->Paintbox()->removeEventFilter(this);
    // The tree's workers read the list's file, which goes with the controls.
    Tree->FileClosing();
}

QPushButton* TMainWindow::MakeButton(const char* field, const char* caption, const char* name, int left, int width,
                                int tabOrder, const char* hint, void (TMainWindow::*handler)()) {
    auto* button = new QPushButton(QString::fromLatin1(caption), Client);
    button->setObjectName(QString::fromLatin1(field));
    button->setGeometry(left, 448, width, 25);
    // The action first, then its keys.
    button->setToolTip(QString::fromLatin1(name) + QStringLiteral(" (") + QString::fromLatin1(hint) +
                       QStringLiteral(")"));
    button->setAccessibleName(QString::fromLatin1(name));
    button->setProperty("Hint", QString::fromLatin1(hint));
    button->setProperty("TabOrder", tabOrder);
    button->setAutoDefault(false);
    button->installEventFilter(this);  // Left and Right step through the game, not along the buttons
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

bool TMainWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && !started_) {
        const bool handled = QMainWindow::event(e);
        Activate(this);
        return handled;
    }
    return QMainWindow::event(e);
}

void TMainWindow::keyPressEvent(QKeyEvent* e) {
    int key = KeyMapKey(*e);
    OnKey(this, key, e->modifiers());
    if (key != 0) QMainWindow::keyPressEvent(e);
}

void TMainWindow::FocusList() { GameList->setFocus(); }

void TMainWindow::GameShown() {
    const TOpeningName opening = OpeningOfMainLine(Notation->Core());
    HeaderPanel->Show(Notation->Core().Game.Header, GameList->FileOpen() && GameList->GameCount() > 0,
                      opening.Eco.empty() ? QString() : QString::fromStdString(opening.Eco + " " + opening.Name));
    Status->GameShown(LoadedGame, GameList->GameCount());
    GameList->SetLoadedGame(GameList->FileOpen() && GameList->GameCount() > 0 ? LoadedGame : -1);
}
