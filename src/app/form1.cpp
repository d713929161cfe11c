#include "app/form1.h"
#include "app/window_layout.h"

#include <QEvent>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <algorithm>
#include <vector>

#include "app/game_file.h"
#include "app/open_file.h"
#include "notation/move_numbers.h"
#include "platform/platform.h"
#include "app/search_controller.h"
#include "board/qt/brett.h"
#include "collection/chess_database.h"
#include "collection/file_procs.h"
#include "collection/pgn_core.h"
#include "collection/qt/pgn.h"
#include "notation/match_search.h"
#include "notation/qt/notation.h"
#include "version.h"

namespace {

const char kBrowseHint[] = "Use the numeric keys for intelligent browsing through games and moves";

QFont SansSerif(int pixelHeight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace

TForm1::TForm1(const QStringList& Params, QWidget* parent) : QWidget(parent), params_(Params) {
    // Starts at the fixed layout's size; may grow and be maximised (the
    // layout keeper below places the controls).
    setWindowFlags(Qt::Window);
    setWindowTitle(QStringLiteral("Quarzel PGN Viewer"));
    setFont(SansSerif(11));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    move(278, 105);
    resize(kStartClientSize);
    setMinimumSize(kStartClientSize);

    // The board: 33-pixel squares on sky blue, an empty board until the
    // first game is shown. Drops are refused (no OnMoveTry handler).
    Brett1 = new TBrett(this);
    Brett1->setObjectName(QStringLiteral("Brett1"));
    Brett1->move(8, 168);
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
    Brett1->setProperty("Hint", QString::fromLatin1(kBrowseHint));

    Notation1 = new TNotation(this);
    Notation1->setObjectName(QStringLiteral("Notation1"));
    Notation1->setGeometry(288, 168, 329, 265);
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

    PGN1 = new TPGN(this);
    PGN1->setObjectName(QStringLiteral("PGN1"));
    PGN1->setGeometry(0, 16, 617, 129);
    PGN1->SetItemHeight(16);
    PGN1->setProperty("TabOrder", 1);
    PGN1->setProperty("Hint", QString::fromLatin1(kBrowseHint));
    PGN1->OnPGNDblClick = [this](QObject* s, const std::string& g, std::int32_t id) { PGNDvojKlik(s, g, id); };
    PGN1->OnPGNDrawItem = [this](QWidget* c, int i, const QRect& r, const TEventData& h, std::int32_t g) {
        PGN1PGNDrawItem(c, i, r, h, g);
    };
    PGN1->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers shift) { Klavesa(s, key, shift); };
    Search = std::make_unique<TSearchController>(*this);
    // The window only ever opens files that exist; should one vanish between
    // the check and the scan, it must not be created behind the user's back.
    PGN1->BeforeCreatePGNFile = [](TPGNCore&, const std::string&, bool& create) { create = false; };

    ChessDatabase1 = std::make_unique<TChessDatabase>();
    ChessDatabase1->Notation = Notation1;

    HeaderControl = new QHeaderView(Qt::Horizontal, this);
    HeaderControl->setObjectName(QStringLiteral("HeaderControl"));
    auto* titles = new QStandardItemModel(0, 6, HeaderControl);
    const char* names[6] = {"Number", "Player", "Source", "Year", "Result", " "};
    const int widths[6] = {50, 200, 150, 50, 50, 0};
    for (int i = 0; i < 6; ++i) titles->setHeaderData(i, Qt::Horizontal, QString::fromLatin1(names[i]));
    HeaderControl->setModel(titles);
    HeaderControl->setFont(SansSerif(12));
    HeaderControl->setMinimumSectionSize(0);
    HeaderControl->setStretchLastSection(false);
    HeaderControl->setSectionsClickable(false);
    HeaderControl->setSectionsMovable(false);
    HeaderControl->setHighlightSections(false);
    HeaderControl->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < 6; ++i) {
        HeaderControl->setSectionResizeMode(i, QHeaderView::Fixed);
        HeaderControl->resizeSection(i, widths[i]);
    }
    HeaderControl->setGeometry(0, 0, 623, 17);
    HeaderControl->setFocusPolicy(Qt::NoFocus);

    ButtonStart = MakeButton("ButtonStart", "<<", 8, 41, 4, "Also Numeric key 7 or q", &TForm1::ButtonStartClick);
    ButtonBack = MakeButton("ButtonBack", "<", 56, 49, 5, "Also Numeric key 4 or a", &TForm1::ButtonBackClick);
    NextWBranch = MakeButton("NextWBranch", "brnch>", 112, 57, 12, "Also Numeric key 5 or s", &TForm1::NextWBranchClick);
    ButtonForw = MakeButton("ButtonForw", ">", 176, 49, 6, "Also Numeric key 6 or d", &TForm1::ButtonForwClick);
    ButtonEnd = MakeButton("ButtonEnd", ">>", 232, 41, 7, "Also Numeric key 1 or z", &TForm1::ButtonEndClick);
    PrevMatchB = MakeButton("PrevMatchB", "<Match", 288, 49, 13, "Also Numeric key 9 or e", &TForm1::PrevMatchBClick);
    NextMatchB = MakeButton("NextMatchB", "Match>", 344, 49, 14, "Also Numeric key 3 or c", &TForm1::NextMatchBClick);
    PredGame = MakeButton("PredGame", "<Game", 400, 49, 10, "Also Numeric key 8 or w", &TForm1::PredGameClick);
    NextGame = MakeButton("NextGame", "Game>", 456, 49, 11, "Also Numeric key 2 or x", &TForm1::NextGameClick);
    ButtonClipPos = MakeButton("ButtonClipPos", "ClpFEN", 512, 49, 8, "FEN to Clipboard", &TForm1::ButtonClipPosClick);
    ButtonClipPGN = MakeButton("ButtonClipPGN", "ClpPGN", 568, 49, 9, "PGN to Clipboard", &TForm1::ButtonClipPGNClick);

    // Tab order as the layout numbers it.
    std::vector<QWidget*> order = {PGN1};
    for (QPushButton* b : {ButtonStart, ButtonBack, NextWBranch, ButtonForw, ButtonEnd, PrevMatchB, NextMatchB,
                           PredGame, NextGame, ButtonClipPos, ButtonClipPGN})
        order.push_back(b);
    std::stable_sort(order.begin(), order.end(), [](QWidget* a, QWidget* b) {
        return a->property("TabOrder").toInt() < b->property("TabOrder").toInt();
    });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    new TWindowLayoutKeeper(this);

    Opener = new TFileOpener(this, PGN1);
    Opener->OnOpen = [this](const QString& path) { OpenFile(path); };
}

TForm1::~TForm1() {
    // The controls outlive this object's own members by a moment (Qt deletes
    // children after the derived destructor): nothing may call back into it.
    Notation1->SetOnMoveChange(nullptr);
    PGN1->OnPGNDblClick = nullptr;
    PGN1->OnKeyDown = nullptr;
    PGN1->OnPGNDrawItem = nullptr;
}

QPushButton* TForm1::MakeButton(const char* field, const char* caption, int left, int width, int tabOrder,
                                const char* hint, void (TForm1::*handler)()) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(field));
    button->setGeometry(left, 448, width, 25);
    button->setToolTip(QString::fromLatin1(hint));
    button->setProperty("Hint", QString::fromLatin1(hint));
    button->setProperty("TabOrder", tabOrder);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && !started_) {
        const bool handled = QWidget::event(e);
        Aktivuj(this);
        return handled;
    }
    return QWidget::event(e);
}

void TForm1::keyPressEvent(QKeyEvent* e) {
    int key = KeyMapKey(*e);
    Klavesa(this, key, e->modifiers());
    if (key != 0) QWidget::keyPressEvent(e);
}

void TForm1::Aktivuj(QObject*) {
    if (started_) return;
    started_ = true;
    Platform& platform = Platform::Get();
    if (params_.isEmpty()) {
        // Started from a menu or a file manager without a file: ask for one.
        const QString chosen = Opener->AskForFile();
        if (!chosen.isEmpty()) params_ = QStringList{chosen};
    }
    if (params_.isEmpty()) {
        platform.ShowMessage(this, QStringLiteral("No params, I have to exit"), TMessageKind::Information);
        close();
        return;
    }
    const std::string file = GameFilePath(params_.first());
    const QString path = TextFromBytes(file);
    if (!FileExists(file)) {
        platform.ShowMessage(this, QStringLiteral("PGN file ") + path + QStringLiteral(" does not exist"),
                             TMessageKind::Information);
        close();
        return;
    }
    OpenGameFile(file);
}

void TForm1::OpenGameFile(const std::string& file) {
    const QString path = TextFromBytes(file);
    try {
        PGN1->ScanFile(file);
        // A database game's text is made from its record: copies write its tags from there.
        Notation1->Core().TagsFromRecord = PGN1->Core().DatabaseMode();
        if (!PGN1->FileOpen() || PGN1->FileName() != file) {
            // Say why the window stays empty: not PGN, unreadable, a locked
            // or damaged database. A second attempt on a core of its own
            // names the reason.
            TPGNCore probe;
            probe.BeforeCreatePGNFile = [](TPGNCore&, const std::string&, bool& create) { create = false; };
            std::string reason;
            if (probe.OpenForReading(file, reason) || reason.empty()) reason = "cannot open " + file;
            Platform::Get().ShowMessage(this, TextFromBytes(reason), TMessageKind::Error);
        } else {
            Opener->Remember(ArgumentText(file.c_str()));  // the path itself, also for a URI
        }
        setWindowTitle(QStringLiteral("Quarzel PGN Viewer " QUARZEL_VERSION "   [") + path + QStringLiteral("]   ") +
                       QString::asprintf("%d games", PGN1->GameCount()));
        OpenFirstGame();
    } catch (const std::exception& e) {
        // The window stays open with whatever was done so far.
        Platform::Get().ShowMessage(this, TextFromBytes(UserErrorText(e)), TMessageKind::Error);
    }
}

void TForm1::OpenFile(const QString& path) {
    if (started_) {
        const std::string file = GameFilePath(path);
        if (!FileExists(file)) {
            Platform::Get().ShowMessage(this, QStringLiteral("PGN file ") + TextFromBytes(file) +
                                        QStringLiteral(" does not exist"), TMessageKind::Information);
            return;
        }
        // Close what is open first: a database is unlocked, and the same
        // path is scanned anew (the file may have grown). A search of the old
        // file ends before its index goes.
        Search->Reset();
        Guarded([&] { PGN1->ScanFile(std::string()); });
    }
    params_ = QStringList{path};
    started_ = false;
    Aktivuj(this);
}

void TForm1::OpenFirstGame() {
    PGN1->SetItemIndex(0);
    std::int32_t gameID = 0;
    std::string text;
    // An empty list gives empty text, which loads as an empty game.
    PGN1->GetGame(0, gameID, text);
    LoadedGame = 0;
    Notation1->LoadGame(text);
    FocusList();
    NextMatch();
}

void TForm1::FocusList() { PGN1->setFocus(); }

std::array<QRect, 6> TForm1::ColumnRects(const QRect& Rect, const std::array<int, 6>& w) {
    // Each column's right edge loses two more pixels than the one before.
    std::array<QRect, 6> rects;
    int left = Rect.left();
    int right = w[0] - 2;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            left += w[static_cast<std::size_t>(i - 1)];
            right += w[static_cast<std::size_t>(i)] - 2;
        }
        rects[static_cast<std::size_t>(i)] = QRect(left, Rect.top(), right - left, Rect.height());
    }
    return rects;
}

void TForm1::FitNumber(QFont& font, const QRect& clip, const QString& text, int& x) {
    int w = QFontMetrics(font).horizontalAdvance(text);
    if (x + w <= clip.left() + clip.width()) return;
    x = clip.left();
    // Narrower step by step: a font may round its stretched widths up.
    for (int stretch = 100 * clip.width() / std::max(1, w); w > clip.width() && stretch >= 50; stretch -= 5) {
        font.setStretch(stretch);
        w = QFontMetrics(font).horizontalAdvance(text);
    }
}

void TForm1::PGN1PGNDrawItem(QWidget* Control, int, const QRect& Rect, const TEventData& GameHeader,
                             std::int32_t GameIndex) {
    auto* list = qobject_cast<TPGN*>(Control);
    QPainter* canvas = list ? list->Canvas() : nullptr;
    if (!canvas) return;
    std::array<int, 6> widths{};
    for (int i = 0; i < 6; ++i) widths[static_cast<std::size_t>(i)] = HeaderControl->sectionSize(i);
    const std::array<QRect, 6> cols = ColumnRects(Rect, widths);
    const TRowTexts texts = ComposeRowTexts(GameHeader, GameIndex);

    canvas->fillRect(Rect, canvas->brush());
    QFont font = canvas->font();
    font.setStrikeOut(GameHeader.Deleted);
    auto draw = [&](int column, int x, const std::string& bytes, bool bold) {
        const QRect& clip = cols[static_cast<std::size_t>(column)];
        const QString text = TextFromBytes(bytes);
        font.setBold(bold);
        QFont cellFont = font;
        if (column == 0) FitNumber(cellFont, clip, text, x);
        if (OnCellText) OnCellText(TCellText{column, clip, x, text, bold, GameHeader.Deleted});
        if (clip.width() <= 0) return;
        canvas->save();
        canvas->setFont(cellFont);
        canvas->setClipRect(clip);
        canvas->fillRect(clip, canvas->brush());
        canvas->drawText(QRect(x, Rect.top(), 4096, Rect.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         text);
        canvas->restore();
    };
    draw(0, Rect.left() + 5, texts.Number, false);
    draw(1, cols[1].left(), texts.Player, true);
    draw(2, cols[2].left(), texts.Source, false);
    draw(3, cols[3].left(), texts.Year, false);
    draw(4, cols[4].left(), texts.Result, true);
    draw(5, cols[5].left(), texts.ECO, false);
}

template <typename F>
void TForm1::Guarded(F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        Platform::Get().ShowMessage(this, TextFromBytes(UserErrorText(e)), TMessageKind::Error);
    } catch (...) {
        Platform::Get().ShowMessage(this, QString::fromLatin1(kUnexpectedErrorText), TMessageKind::Error);
    }
}

void TForm1::ZmenaTahu(QObject*, TZug& Zug, TSchachbrett& Stellung, bool) {
    Brett1->CastlingRooks = Notation1->Core().Game.CastlingRooks;
    Brett1->ShowPosition(Stellung, Zug);
}

void TForm1::ShowCurrentOnBoard() {
    // At the starting position there is no move: the start record stands in.
    const TZug* move = Notation1->CurrentMove();
    Brett1->ShowPosition(Notation1->CurrentPosition(), move ? *move : Notation1->Core().State);
}

bool TForm1::NextMatch() {
    return ::NextMatch(Notation1->Core(), [this](const TSchachbrett&, const TZug*) { ShowCurrentOnBoard(); },
                       Search->HitTest());
}

bool TForm1::PrevMatch() { return ::PrevMatch(Notation1->Core(), Search->HitTest()); }

void TForm1::PGNDvojKlik(QObject*, const std::string& PGNGame, std::int32_t GameID) {
    Guarded([&] {
        LoadedGame = GameID;
        {
            // Loading moves through many positions: none of them is painted,
            // and the board is unlocked again whatever happens.
            struct Unlock {
                TBrett* board;
                ~Unlock() { board->PaintLocked = false; }
            } unlock{Brett1};
            Brett1->PaintLocked = true;
            Notation1->LoadGame(PGNGame);
        }
        NextMatch();
    });
}

void TForm1::GoToGame(int step) {
    const int rows = PGN1->RowCount();
    int row = PGN1->ItemIndex();
    if (row < 0 && rows > 0) {
        row = 0;  // nothing selected: start from the first game
    } else if (step > 0) {
        if (row < rows - 1) ++row;
    } else if (row > 0) {
        --row;
    }
    if (row >= 0) PGN1->SetItemIndex(row);
    std::int32_t gameID = 0;
    std::string text;
    LoadedGame = row >= 0 ? PGN1->GameIndexOfRow(row) : 0;
    PGN1->GetGame(LoadedGame, gameID, text);
    Notation1->LoadGame(text);
    FocusList();
    NextMatch();
}

TForm1::Command TForm1::CommandOfKey(int Key, Qt::KeyboardModifiers Shift) {
    // Keypad digits count only as keypad keys (with Num Lock on); the digits
    // of the main keyboard do nothing here.
    if (Shift & Qt::KeypadModifier) {
        switch (Key) {
        case Qt::Key_7: return Command::ToStart;
        case Qt::Key_4: return Command::StepBack;
        case Qt::Key_6: return Command::StepForward;
        case Qt::Key_5: return Command::StepForwardBranch;
        case Qt::Key_1: return Command::ToEnd;
        case Qt::Key_9: return Command::PrevMatch;
        case Qt::Key_3: return Command::NextMatch;
        case Qt::Key_8: return Command::PredGame;
        case Qt::Key_2: return Command::NextGame;
        default: break;
        }
    }
    switch (Key) {
    case Qt::Key_Q: return Command::ToStart;
    case Qt::Key_A: return Command::StepBack;
    case Qt::Key_D: return Command::StepForward;
    case Qt::Key_S: return Command::StepForwardBranch;
    case Qt::Key_Y:
    case Qt::Key_Z: return Command::ToEnd;  // both keyboard layouts
    case Qt::Key_E: return Command::PrevMatch;
    case Qt::Key_C: return Command::NextMatch;
    case Qt::Key_W: return Command::PredGame;
    case Qt::Key_X: return Command::NextGame;
    default: return Command::None;
    }
}

void TForm1::RunCommand(Command command) {
    switch (command) {
    case Command::None: break;
    case Command::ToStart: Notation1->ToStart(); break;
    case Command::StepBack: Notation1->StepBack(); break;
    case Command::StepForward:
        // StepForward raises no move change: the board is updated here.
        Notation1->StepForward();
        ShowCurrentOnBoard();
        break;
    case Command::StepForwardBranch: Notation1->StepForwardBranch(); break;
    case Command::ToEnd: Notation1->ToEnd(); break;
    case Command::PrevMatch: PrevMatch(); break;
    case Command::NextMatch: NextMatch(); break;
    case Command::PredGame: GoToGame(-1); break;
    case Command::NextGame: GoToGame(+1); break;
    }
}

void TForm1::Klavesa(QObject*, int& Key, Qt::KeyboardModifiers Shift) {
    if (Search->HandleKey(Key, Shift)) {
        Key = 0;  // the search's own keys
        return;
    }
    // The key is left as it is: the list's own handling still sees it.
    const Command command = CommandOfKey(Key, Shift);
    if (command != Command::None) Guarded([&] { RunCommand(command); });
    if (IsFlipKey(Key, Shift)) Brett1->SetFlipped(!Brett1->Flipped());
}

void TForm1::ButtonStartClick() { Guarded([&] { RunCommand(Command::ToStart); }); FocusList(); }
void TForm1::ButtonBackClick() { Guarded([&] { RunCommand(Command::StepBack); }); FocusList(); }
void TForm1::NextWBranchClick() { Guarded([&] { RunCommand(Command::StepForwardBranch); }); FocusList(); }
void TForm1::ButtonForwClick() { Guarded([&] { RunCommand(Command::StepForward); }); FocusList(); }
void TForm1::ButtonEndClick() { Guarded([&] { RunCommand(Command::ToEnd); }); FocusList(); }
void TForm1::PrevMatchBClick() { Guarded([&] { RunCommand(Command::PrevMatch); }); FocusList(); }
void TForm1::NextMatchBClick() { Guarded([&] { RunCommand(Command::NextMatch); }); FocusList(); }
void TForm1::PredGameClick() { Guarded([&] { RunCommand(Command::PredGame); }); FocusList(); }
void TForm1::NextGameClick() { Guarded([&] { RunCommand(Command::NextGame); }); FocusList(); }
void TForm1::ButtonClipPosClick() {
    Guarded([&] {
        // The true move number and half-move clock: the FEN goes to engines
        // and other programs, which read them.
        const TMoveNumbers numbers = CurrentMoveNumbers(Notation1->Core());
        Brett1->CopyFENToClipboard(numbers.FullMove, numbers.HalfMoveClock);
    });
    FocusList();
}
void TForm1::ButtonClipPGNClick() { Guarded([&] { Notation1->CopyPGNToClipboard(); }); FocusList(); }
