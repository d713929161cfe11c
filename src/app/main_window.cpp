#include "app/main_window.h"

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
#include "app/header_panel.h"
#include "app/open_file.h"
#include "app/pasted_games.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "app/window_layout.h"
#include "app/window_menus.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "database/chess_database.h"
#include "notation/qt/notation.h"
#include "platform/platform.h"

namespace {

const char kBrowseHint[] = "Use the numeric keys for intelligent browsing through games and moves";

QFont SansSerif(int pixelHeight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace

TForm1::TForm1(const QStringList& Params, QWidget* parent) : QMainWindow(parent), params_(Params) {
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
    Brett1 = new TBrett(Client);
    Brett1->setObjectName(QStringLiteral("Brett1"));
    Brett1->SetAufbauFiguren(true);
    Brett1->SetFiguren(TFigurenset::WinboardF33);
    Brett1->SetGroesse(33);
    Brett1->SetGrundstellung(false);
    Brett1->SetZiehenmoeglich(true);
    Brett1->SetBlackSquareColor(QColor(166, 202, 240));
    Brett1->SetTon(false);
    Brett1->SetEnglish(false);
    Brett1->SetAnimation(0);
    Brett1->SetZugVorschlagen(true);
    Brett1->SetMarkLastMove(true);
    Brett1->SetCoordinates(true);
    Brett1->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    Brett1->setAccessibleName(QStringLiteral("Chess board"));
    Brett1->installEventFilter(this);

    Notation1 = new TNotation(Client);
    Notation1->setObjectName(QStringLiteral("Notation1"));
    Notation1->SetUeberschrift(false);
    Notation1->SetEnglish(true);
    const QFont notationFont = SansSerif(11);
    Notation1->SetFontHeadLine(notationFont);
    Notation1->SetFontComment(notationFont);
    Notation1->SetFont0Var(notationFont);
    Notation1->SetFont1Var(notationFont);
    Notation1->SetFont2Var(notationFont);
    const QColor windowText = palette().color(QPalette::WindowText);
    for (TNotationFont f : {TNotationFont::HeadLine, TNotationFont::Comment, TNotationFont::Var0,
                            TNotationFont::Var1, TNotationFont::Var2})
        Notation1->SetFontColor(f, windowText);
    // Comments in their own colour, so that an engine line in a comment is
    // not read as moves; readable on light and dark window colours.
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    Notation1->SetFontColor(TNotationFont::Comment, dark ? QColor(120, 200, 225) : QColor(0, 96, 128));
    Notation1->SetIndent0Var(2);
    Notation1->SetIndent1Var(10);
    Notation1->SetIndent2Var(18);
    Notation1->SetAutoBold(true);
    Notation1->SetZeilenabstand(3);
    Notation1->SetBevelOuter(TBevelKind::Lowered);
    Notation1->SetBevelWidthNotat(1);
    Notation1->SetBorderWidthNotat(0);
    Notation1->SetOnMoveChange([this](TNotationCore&, TZug& zug, TSchachbrett& stellung, bool nextMove) {
        ZmenaTahu(Notation1, zug, stellung, nextMove);
    });
    Notation1->Loaded();
    Notation1->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    Notation1->setAccessibleName(QStringLiteral("Notation"));
    Notation1->Paintbox()->installEventFilter(this);

    PGN1 = new TPGN(Client);
    PGN1->setObjectName(QStringLiteral("PGN1"));
    PGN1->SetItemHeight(16);
    PGN1->setProperty("TabOrder", 1);
    PGN1->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    PGN1->setAccessibleName(QStringLiteral("Games"));
    PGN1->OnPGNDblClick = [this](QObject* s, const std::string& g, std::int32_t id) { PGNDvojKlik(s, g, id); };
    PGN1->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers shift) { Klavesa(s, key, shift); };
    // The window only ever opens files that exist; should one vanish between
    // the check and the scan, it must not be created behind the user's back.
    PGN1->BeforeCreatePGNFile = [](TPGNCore&, const std::string&, bool& create) { create = false; };
    HeaderControl = PGN1->horizontalHeader();
    HeaderControl->setFont(SansSerif(12));

    ChessDatabase1 = std::make_unique<TChessDatabase>();
    ChessDatabase1->Notation = Notation1;

    HeaderPanel = new THeaderPanel(Client);

    ButtonStart = MakeButton("ButtonStart", "<<", "To start", 8, 41, 4, "Also Numeric key 7 or q", &TForm1::ButtonStartClick);
    ButtonBack = MakeButton("ButtonBack", "<", "Back", 56, 49, 5, "Also Numeric key 4 or a", &TForm1::ButtonBackClick);
    NextWBranch = MakeButton("NextWBranch", "Var >", "Forward, choosing the variation", 112, 57, 12,
                             "Also Numeric key 5 or s", &TForm1::NextWBranchClick);
    ButtonForw = MakeButton("ButtonForw", ">", "Forward", 176, 49, 6, "Also Numeric key 6 or d", &TForm1::ButtonForwClick);
    ButtonEnd = MakeButton("ButtonEnd", ">>", "To end", 232, 41, 7, "Also Numeric key 1 or z", &TForm1::ButtonEndClick);
    PrevMatchB = MakeButton("PrevMatchB", "<Match", "Previous match", 288, 49, 13, "Also Numeric key 9 or e",
                            &TForm1::PrevMatchBClick);
    NextMatchB = MakeButton("NextMatchB", "Match>", "Next match", 344, 49, 14, "Also Numeric key 3 or c",
                            &TForm1::NextMatchBClick);
    PredGame = MakeButton("PredGame", "<Game", "Previous game", 400, 49, 10, "Also Numeric key 8 or w",
                          &TForm1::PredGameClick);
    NextGame = MakeButton("NextGame", "Game>", "Next game", 456, 49, 11, "Also Numeric key 2 or x",
                          &TForm1::NextGameClick);
    ButtonClipPos = MakeButton("ButtonClipPos", "FEN", "Copy the position as FEN", 512, 49, 8, "FEN to Clipboard",
                               &TForm1::ButtonClipPosClick);
    ButtonClipPGN = MakeButton("ButtonClipPGN", "PGN", "Copy the game as PGN", 568, 49, 9, "PGN to Clipboard",
                               &TForm1::ButtonClipPGNClick);

    // Tab order as the layout numbers it.
    std::vector<QWidget*> order = {PGN1};
    for (QPushButton* b : {ButtonStart, ButtonBack, NextWBranch, ButtonForw, ButtonEnd, PrevMatchB, NextMatchB,
                           PredGame, NextGame, ButtonClipPos, ButtonClipPGN})
        order.push_back(b);
    std::stable_sort(order.begin(), order.end(), [](QWidget* a, QWidget* b) {
        return a->property("TabOrder").toInt() < b->property("TabOrder").toInt();
    });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    Search = std::make_unique<TSearchController>(*this);
    Pasted = std::make_unique<TPastedGames>();
    Panes = new TPanes(this);
    Status = new TStatusLine(this);
    Opener = new TFileOpener(this, PGN1);
    Opener->OnOpen = [this](const QString& path) { OpenFile(path); };
    Opener->OnText = [this](const QString& text) { OpenPastedText(text); };
    Menus = new TWindowMenus(this);
    Commands = new TCommandsView(this);
    Notation1->OnGameLoaded = [this](TNotation&) { Commands->GameLoaded(); };
    PGN1->OnSortProgress = [this](TGameColumn column, int percent) { Status->SortProgress(column, percent); };
    // The file went or shrank under the viewer: what the list shows is not
    // all there is, and games may not be read.
    PGN1->OnFileChanged = [this] {
        const QString note = QStringLiteral("   (incomplete: the file changed, open it again)");
        if (!windowTitle().endsWith(note)) setWindowTitle(windowTitle() + note);
        Status->Tell(QStringLiteral("%1 changed since it was read: open it again to see its games")
                         .arg(QString::fromStdString(PGN1->FileName())));
    };
    Panes->RestoreSettings();
    // The client area at its start size, the menus above it and the status bar below.
    move(278, 105);
    resize(kStartClientSize.width(),
           kStartClientSize.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

TForm1::~TForm1() {
    // The controls outlive this object's own members by a moment (Qt deletes
    // children after the derived destructor): nothing may call back into it.
    Notation1->SetOnMoveChange(nullptr);
    Notation1->OnGameLoaded = nullptr;
    PGN1->OnPGNDblClick = nullptr;
    PGN1->OnKeyDown = nullptr;
    PGN1->OnSortProgress = nullptr;
    PGN1->OnFileChanged = nullptr;
    PGN1->CancelSort();
    Brett1->removeEventFilter(this);
    Notation1->Paintbox()->removeEventFilter(this);
}

QPushButton* TForm1::MakeButton(const char* field, const char* caption, const char* name, int left, int width,
                                int tabOrder, const char* hint, void (TForm1::*handler)()) {
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
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && !started_) {
        const bool handled = QMainWindow::event(e);
        Aktivuj(this);
        return handled;
    }
    return QMainWindow::event(e);
}

void TForm1::keyPressEvent(QKeyEvent* e) {
    int key = KeyMapKey(*e);
    Klavesa(this, key, e->modifiers());
    if (key != 0) QMainWindow::keyPressEvent(e);
}

void TForm1::FocusList() { PGN1->setFocus(); }

void TForm1::GameShown() {
    HeaderPanel->Show(Notation1->Core().Game.Header, PGN1->FileOpen() && PGN1->GameCount() > 0);
    Status->GameShown(LoadedGame, PGN1->GameCount());
}
