#include "app/form1.h"

#include <QEvent>
#include <QFile>
#include <QFont>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <algorithm>
#include <vector>

#include "app/platform/platform.h"
#include "collection/file_procs.h"
#include "collection/pgn_core.h"
#include "collection/qt/pgn.h"

namespace {

const char kBrowseHint[] = "Use the numeric keys for intelligent browsing through games and moves";

QFont SansSerif(int pixelHeight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace

TForm1::TForm1(const QStringList& Params, QWidget* parent) : QWidget(parent), params_(Params) {
    // A fixed-size dialog-style frame: no resizing, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quarzel PGN Viewer"));
    setFont(SansSerif(11));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    move(278, 105);
    setFixedSize(623, 482);

    Brett1 = new QFrame(this);
    Brett1->setObjectName(QStringLiteral("Brett1"));
    Brett1->setGeometry(8, 168, 8 * 33, 8 * 33);
    Brett1->setProperty("Hint", QString::fromLatin1(kBrowseHint));

    Notation1 = new QFrame(this);
    Notation1->setObjectName(QStringLiteral("Notation1"));
    Notation1->setGeometry(288, 168, 329, 265);
    Notation1->setFrameShape(QFrame::Panel);
    Notation1->setFrameShadow(QFrame::Sunken);
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
    // The window only ever opens files that exist; should one vanish between
    // the check and the scan, it must not be created behind the user's back.
    PGN1->BeforeCreatePGNFile = [](TPGNCore&, const std::string&, bool& create) { create = false; };

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
    int key = e->key();
    Klavesa(this, key, e->modifiers());
    if (key != 0) QWidget::keyPressEvent(e);
}

void TForm1::Aktivuj(QObject*) {
    if (started_) return;
    started_ = true;
    Platform& platform = Platform::Get();
    if (params_.isEmpty()) {
        platform.ShowMessage(this, QStringLiteral("No params, I have to exit"), TMessageKind::Information);
        close();
        return;
    }
    const QString path = params_.first();
    const std::string file = QFile::encodeName(path).toStdString();
    if (!FileExists(file)) {
        platform.ShowMessage(this, QStringLiteral("PGN file ") + path + QStringLiteral(" does not exist"),
                             TMessageKind::Information);
        close();
        return;
    }
    try {
        PGN1->ScanFile(file);
        setWindowTitle(QStringLiteral("Quarzel PGN Viewer 1.01   [") + path + QStringLiteral("]   ") +
                       QString::asprintf("%d games", PGN1->GameCount()));
        OpenFirstGame();
    } catch (const std::exception& e) {
        // The window stays open with whatever was done so far.
        platform.ShowMessage(this, QString::fromLocal8Bit(e.what()), TMessageKind::Error);
    }
}

void TForm1::OpenFirstGame() {
    PGN1->SetItemIndex(0);
    PGN1->setFocus();
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
        if (OnCellText) OnCellText(TCellText{column, clip, x, text, bold, GameHeader.Deleted});
        if (clip.width() <= 0) return;
        font.setBold(bold);
        canvas->save();
        canvas->setFont(font);
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

void TForm1::PGNDvojKlik(QObject*, const std::string&, std::int32_t) {
    // The notation control takes the game once it is wired into the window.
}

void TForm1::Klavesa(QObject*, int&, Qt::KeyboardModifiers) {
    // The browsing key map arrives with the browsing commands.
}

void TForm1::ButtonStartClick() { FocusList(); }
void TForm1::ButtonBackClick() { FocusList(); }
void TForm1::NextWBranchClick() { FocusList(); }
void TForm1::ButtonForwClick() { FocusList(); }
void TForm1::ButtonEndClick() { FocusList(); }
void TForm1::PrevMatchBClick() { FocusList(); }
void TForm1::NextMatchBClick() { FocusList(); }
void TForm1::PredGameClick() { FocusList(); }
void TForm1::NextGameClick() { FocusList(); }
void TForm1::ButtonClipPosClick() { FocusList(); }
void TForm1::ButtonClipPGNClick() { FocusList(); }
