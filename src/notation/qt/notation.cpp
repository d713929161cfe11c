#include "notation/qt/notation.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "notation/qt/pgn_clipboard.h"
#include "notation/qt/qt_measure.h"
#include "notation/qt/variation_chooser.h"
#include "notation/shown_text.h"
#include "notation/text_position.h"
#include "platform/guarded.h"
#include "platform/platform.h"

// ---- children ----

TNotationCanvas::TNotationCanvas(TNotation* owner) : QWidget(owner), owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TNotationCanvas::paintEvent(QPaintEvent* event) {
    Guarded(this, [&] {
        owner_->lastPaintRegion_ = event->region();
        owner_->paintClip_ = event->region().boundingRect();
        QPainter painter(this);
        owner_->PaintNotation(painter);
        owner_->paintClip_ = QRect();
    });
}

void TNotationCanvas::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    const QPoint p = event->position().toPoint();
    Guarded(this, [&] { owner_->ClickAt(p.x(), p.y()); });
}

// The wheel scrolls the notation as it would over the scroll bar.
void TNotationCanvas::wheelEvent(QWheelEvent* event) {
    QCoreApplication::sendEvent(owner_->Scrollbar(), event);
}

TNotationScrollbar::TNotationScrollbar(TNotation* owner) : QScrollBar(Qt::Vertical, owner) {
    setRange(0, 0);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QScrollBar::valueChanged, owner, [owner] { owner->Paintbox()->update(); });
}

// ---- construction ----

QColor TNotation::MatchBackground(bool dark) { return dark ? QColor(112, 92, 20) : QColor(255, 226, 130); }
QColor TNotation::ErrorText(bool dark) { return dark ? QColor(255, 120, 120) : QColor(180, 0, 0); }
QColor TNotation::CommentText(bool dark) { return dark ? QColor(120, 200, 225) : QColor(0, 96, 128); }

void TNotation::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) FollowPalette();
}

void TNotation::FollowPalette() {
    const QColor window = palette().color(QPalette::Window), text = palette().color(QPalette::WindowText);
    if (window == paletteWindow_ && text == paletteText_) return;
    const bool dark = window.lightness() < 128, wasDark = paletteWindow_.lightness() < 128;
    if (color_ == paletteWindow_) color_ = window;
    for (QColor* c : {&colorHeadLine_, &colorComment_, &color0Var_, &color1Var_, &color2Var_})
        if (*c == paletteText_) *c = text;
    if (colorComment_ == CommentText(wasDark)) colorComment_ = CommentText(dark);
    if (markColor_ == MatchBackground(wasDark)) markColor_ = MatchBackground(dark);
    if (errorColor_ == ErrorText(wasDark)) errorColor_ = ErrorText(dark);
    colorQuiet_ = QColor((color0Var_.red() + color_.red()) / 2, (color0Var_.green() + color_.green()) / 2,
                         (color0Var_.blue() + color_.blue()) / 2);
    paletteWindow_ = window;
    paletteText_ = text;
    paintbox_->update();
}

TNotation::TNotation(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::StrongFocus);
    color_ = paletteWindow_ = palette().color(QPalette::Window);
    // Readable on a light and on a dark window colour.
    const bool dark = color_.lightness() < 128;
    markColor_ = MatchBackground(dark);
    errorColor_ = ErrorText(dark);
    scrollbar_ = new TNotationScrollbar(this);
    paintbox_ = new TNotationCanvas(this);

    const QFont system = font();
    fontHeadLine_ = fontComment_ = font0Var_ = font1Var_ = font2Var_ = system;
    font0VarBold_ = system;
    font0VarBold_.setBold(true);
    const QColor text = paletteText_ = palette().color(QPalette::WindowText);
    colorHeadLine_ = colorComment_ = color0Var_ = color1Var_ = color2Var_ = text;
    // Clocks and evaluations: half way between the text and the background.
    colorQuiet_ = QColor((text.red() + color_.red()) / 2, (text.green() + color_.green()) / 2,
                         (text.blue() + color_.blue()) / 2);
    UpdateQuietFont();
    paintbox_->setFont(font0Var_);

    measure_ = std::make_unique<TQtMeasure>([this](TNotationFont f) -> const QFont& { return QtFont(f); });
    display_ = &AttachLayout(core_, measure_.get());
    display_->AfterRelayout = [this] { AfterRelayout(); };
    display_->RedrawHighlight = [this] { RedrawHighlight(); };
    core_.Hooks.Relayout = [this] {
        display_->PaintWidth = paintbox_->width();
        LayoutNotation(core_, *display_);
    };
    // A jump by text position (a click, the row keys, the end of a line)
    // may land on a row outside the window: bring it in.
    core_.Hooks.GoToTextPosition = [this](int position) {
        if (!::GoToTextPosition(core_, position)) return false;
        ScrollTo(ScrollTarget(core_.Current));
        return true;
    };
    core_.Hooks.ShowCurrentMove = [this] { ShowCurrentMove(); };
    core_.Hooks.ChooseVariation = [this](TMoveNode* candidate) { return ChooseVariation(candidate); };
    core_.Hooks.Beep = [] { Platform::Get().Beep(); };

    UpdateFrame();
    core_.ClearGame();
    ComputeLineHeight();
    PlaceChildren();
}

TNotation::~TNotation() {
    // The core's hooks point into this widget and its measure; drop them first.
    core_.Hooks = TNotationHooks{};
    if (display_) {
        display_->AfterRelayout = nullptr;
        display_->RedrawHighlight = nullptr;
        display_->Measure = nullptr;
    }
}

void TNotation::Loaded() {
    paintbox_->setFont(font0Var_);
    ComputeLineHeight();
    SetLargeChange();
}

const QFont& TNotation::QtFont(TNotationFont font) const {
    switch (font) {
        case TNotationFont::HeadLine: return fontHeadLine_;
        case TNotationFont::Comment: return fontComment_;
        case TNotationFont::Var0: return font0Var_;
        case TNotationFont::Var0Bold: return font0VarBold_;
        case TNotationFont::Var1: return font1Var_;
        case TNotationFont::Var2: return font2Var_;
        case TNotationFont::Quiet: return fontQuiet_;
    }
    return font0Var_;
}

QColor TNotation::FontColor(TNotationFont font) const {
    switch (font) {
        case TNotationFont::HeadLine: return colorHeadLine_;
        case TNotationFont::Comment: return colorComment_;
        case TNotationFont::Var0:
        case TNotationFont::Var0Bold: return color0Var_;
        case TNotationFont::Var1: return color1Var_;
        case TNotationFont::Var2: return color2Var_;
        case TNotationFont::Quiet: return colorQuiet_;
    }
    return color0Var_;
}

void TNotation::SetFontColor(TNotationFont font, const QColor& color) {
    QColor* target = nullptr;
    switch (font) {
        case TNotationFont::HeadLine: target = &colorHeadLine_; break;
        case TNotationFont::Comment: target = &colorComment_; break;
        case TNotationFont::Var0:
        case TNotationFont::Var0Bold: target = &color0Var_; break;
        case TNotationFont::Var1: target = &color1Var_; break;
        case TNotationFont::Var2: target = &color2Var_; break;
        case TNotationFont::Quiet: target = &colorQuiet_; break;
    }
    if (!target || *target == color) return;
    *target = color;
    paintbox_->update();
}

// ---- forwarding ----

int TNotation::LoadGame(const std::string& pgnText) {
    const int result = core_.LoadGame(pgnText);
    // A game refused whole leaves the notation empty: say why, once per load.
    if (result == lgTooLarge || result == lgNoMemory)
        Platform::Get().ShowMessage(this, QString::fromLatin1(result == lgTooLarge ? kGameTooLargeText : kNoMemoryText),
                                    TMessageKind::Error);
    if (OnGameLoaded) OnGameLoaded(*this);
    return result;
}
bool TNotation::StepForward() { return core_.StepForward(); }
bool TNotation::StepForward(uint8_t& From, uint8_t& To, uint8_t& Promotion, uint8_t& CastlingKind) {
    return core_.StepForward(From, To, Promotion, CastlingKind);
}
bool TNotation::StepForwardBranch() { return core_.StepForwardBranch(); }
bool TNotation::StepBack() { return core_.StepBack(); }
bool TNotation::ToStart() { return core_.ToStart(); }
bool TNotation::ToEnd() { return core_.ToEnd(); }
bool TNotation::PrevBranchPoint() { return core_.PrevBranchPoint(); }
bool TNotation::NextBranchPoint() { return core_.NextBranchPoint(); }
bool TNotation::GoToTextPosition(int position) {
    return core_.Hooks.GoToTextPosition ? core_.Hooks.GoToTextPosition(position) : false;
}
void TNotation::CopyPGNToClipboard() { CopyPGNToSystemClipboard(core_); }
void TNotation::ClearGame() {
    core_.ClearGame();
    if (OnGameLoaded) OnGameLoaded(*this);
}
void TNotation::Relayout() { core_.Relayout(); }

// ---- geometry ----

void TNotation::ComputeLineHeight() {
    lineHeight_ = std::max(1, QFontMetrics(font0Var_).height() + lineSpacing_);
}

void TNotation::SetLargeChange() {
    scrollbar_->setPageStep(std::max(1, scrollbar_->height() / lineHeight_ - 1));
}

void TNotation::PlaceChildren() {
    const int o = borderWidth_ + bevelWidth_;
    const int sbw = scrollbar_->sizeHint().width();
    const int pbw = std::max(0, width() - sbw - 2 * o);
    const int pbh = std::max(0, height() - 2 * o);
    paintbox_->setGeometry(o, o, pbw, pbh);
    scrollbar_->setGeometry(o + pbw, o, sbw, pbh);
    SetLargeChange();
    Relayout();
}

void TNotation::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Guarded(this, [&] {
        PlaceChildren();
        if (OnResize) OnResize(*this);
    });
}

void TNotation::ComputeVisibleRows() {
    const int p = scrollbar_->value();
    firstRow_ = p + 1;
    lastRow_ = p + paintbox_->height() / lineHeight_;
    const int excess = lastRow_ - (display_->RowCount() + 1);
    if (excess > 0) {
        firstRow_ -= excess;
        lastRow_ -= excess;
    }
    if (firstRow_ <= 0) firstRow_ = 1;
}

int TNotation::ScrollTarget(const TMoveNode* move) const {
    const_cast<TNotation*>(this)->ComputeVisibleRows();
    const int row = move ? display_->RowOfMove(move) : -1;
    if (row < 0) return firstRow_ == 1 ? -1 : 0;
    if (IsLastMainMove(move)) {
        // The end of the game: the result row shows with the last move.
        const int result = display_->RowCount() - 1;
        const int fit = std::max(1, paintbox_->height() / lineHeight_);
        auto visible = [&](int r) { return r + 1 >= firstRow_ && r < lastRow_; };
        if (visible(row) && visible(result)) return -1;
        return std::max(0, std::min(row, result - fit + 1));
    }
    const int half = (lastRow_ - firstRow_) / 2;
    if (row >= lastRow_) return row - half;
    if (row + 1 < firstRow_) return std::max(0, row - half);
    return -1;
}

// Scrolls to `target` (a scroll target, -1 for none). False when the window
// stays where it is, so that the caller repaints what it must itself: the
// target is clamped to the scroll range first, as setting it would be, and a
// clamped target equal to the position would otherwise repaint nothing.
bool TNotation::ScrollTo(int target) {
    if (target < 0) return false;
    target = std::clamp(target, scrollbar_->minimum(), scrollbar_->maximum());
    if (target == scrollbar_->value()) return false;
    scrollbar_->setValue(target);  // repaints through the scroll bar
    return true;
}

void TNotation::AfterRelayout() {
    const int fit = paintbox_->height() / lineHeight_;
    int max = display_->RowCount() - fit;
    if (max < 1) max = 0;
    scrollbar_->setRange(0, max);
    if (!ScrollTo(ScrollTarget(core_.Current))) paintbox_->update();
}

void TNotation::ShowCurrentMove() {
    if (!ScrollTo(ScrollTarget(core_.Current))) RedrawHighlight();
}

// ---- painting ----

// Width of row `row`'s text from its start up to (not including) `upTo`,
// measured character by character as painted.
int TNotation::RowX(int row, int upTo) const {
    const TNotationDisplay& d = *display_;
    const TNotationFont rowFont = d.Rows[static_cast<size_t>(row)].Font;
    int x = d.IndentOfFont(rowFont);
    const int from = d.RowStart(row);
    const int to = std::min(upTo, d.RowEnd(row));
    if (to <= from) return x;
    ForEachShownChar(d, from, to, rowFont,
                     [&](const TShownChar& c, TNotationFont f) { x += ShownWidth(*measure_, f, c); });
    return x;
}

QRect TNotation::HighlightRect(const TMoveNode* move, TNotationFont* font) const {
    const TNotationDisplay& d = *display_;
    if (!move || move->TextPos <= 0 || move->TextPos > static_cast<int>(d.Text.size())) return {};
    const int row = d.RowOfMove(move);
    if (row < 0) return {};
    const TNotationFont rowFont = d.Rows[static_cast<size_t>(row)].Font;
    if (font) *font = rowFont;
    const int x = RowX(row, move->TextPos);
    const int y = (row - firstRow_ + 1) * lineHeight_;
    if (y < 0 || y >= (lastRow_ - firstRow_ + 1) * lineHeight_) return {};
    const int end = std::min<int>(move->TextPos + move->TextLen, static_cast<int>(d.Text.size()) + 1);
    int w = 0;
    ForEachShownChar(d, move->TextPos, end, rowFont,
                     [&](const TShownChar& c, TNotationFont) { w += ShownWidth(*measure_, rowFont, c); });
    return QRect(x, y, w, QFontMetrics(QtFont(rowFont)).height());
}

QRect TNotation::MoveRect(const TMoveNode* move) const {
    const_cast<TNotation*>(this)->ComputeVisibleRows();
    return HighlightRect(move);
}

namespace {

bool InRanges(const std::vector<TTextRange>& ranges, int pos) {
    auto it = std::upper_bound(ranges.begin(), ranges.end(), pos,
                               [](int p, const TTextRange& r) { return p < r.Pos; });
    return it != ranges.begin() && std::prev(it)->Holds(pos);
}

}  // namespace

// Draws the shown characters of [from, to) one at a time at the positions
// the layout measured, from x on, in the row `y` (top). Drawing a whole run
// would let the font's fractional advances and kerning make it wider or
// narrower than the sum of its character widths, and the next run would
// cover its end. With `pen` set everything is drawn in that colour on the
// caller's background; otherwise each font in its colour, marked moves on
// the mark colour and the reading-error row in the error colour.
int TNotation::DrawShown(QPainter& painter, int from, int to, TNotationFont rowFont, int x, int y,
                         const QColor* pen) const {
    const TNotationDisplay& d = *display_;
    const QFontMetrics rowMetrics(QtFont(rowFont));
    const QFontMetrics commentMetrics(fontComment_);
    const int commentOffset = (rowMetrics.height() - commentMetrics.height()) >> 1;
    int current = -1;
    ForEachShownChar(d, from, to, rowFont, [&](const TShownChar& c, TNotationFont f) {
        const int w = ShownWidth(*measure_, f, c);
        if (c.Count == 0) return;
        // Comments stand centred in the row; clocks and evaluations on its baseline.
        const bool comment = f == TNotationFont::Comment;
        if (!pen && InRanges(d.Marks, c.Pos)) painter.fillRect(QRect(x, y, w, rowMetrics.height()), markColor_);
        if (static_cast<int>(f) != current) {
            painter.setFont(QtFont(f));
            current = static_cast<int>(f);
        }
        painter.setPen(pen ? *pen : d.ErrorRow.Holds(c.Pos) ? errorColor_ : FontColor(f));
        const int baseline = y + (comment ? commentOffset + commentMetrics.ascent() : rowMetrics.ascent());
        int cx = x;
        for (int i = 0; i < c.Count; ++i) {
            if (c.Cp[i] != U' ') painter.drawText(QPoint(cx, baseline), QString::fromUcs4(&c.Cp[i], 1));
            cx += measure_->CharWidth(f, c.Cp[i]);
        }
        x += w;
    });
    return x;
}

void TNotation::DrawRow(QPainter& painter, int row, int y) {
    const TNotationDisplay& d = *display_;
    const TNotationFont rowFont = d.Rows[static_cast<size_t>(row)].Font;
    DrawShown(painter, d.RowStart(row), d.RowEnd(row), rowFont, d.IndentOfFont(rowFont), y, nullptr);
}

void TNotation::PaintNotation(QPainter& painter) {
    ++paintCount_;
    ComputeVisibleRows();
    painter.fillRect(QRect(0, 0, paintbox_->width(), paintbox_->height()), color_);
    const int rows = display_->RowCount();
    const QRect clip = paintClip_;
    int r = 0;
    for (int i = firstRow_ - 1; i <= lastRow_ - 1 && i < rows; ++i, ++r) {
        if (i < 0) continue;
        const int y = lineHeight_ * r;
        if (!clip.isEmpty() && (y > clip.bottom() || y + lineHeight_ <= clip.top())) continue;
        DrawRow(painter, i, y);
    }
    highlighted_ = nullptr;
    DrawHighlight(painter);
}

void TNotation::DrawHighlight(QPainter& painter) {
    highlighted_ = core_.Current;
    highlightW_ = 0;
    TNotationFont font = TNotationFont::Var0;
    const QRect rect = HighlightRect(core_.Current, &font);
    if (rect.width() <= 0) return;
    highlightFont_ = font;
    highlightX_ = rect.x();
    highlightY_ = rect.y();
    highlightW_ = rect.width();
    const TMoveNode* move = core_.Current;
    const int end = std::min<int>(move->TextPos + move->TextLen, static_cast<int>(display_->Text.size()) + 1);
    // The desktop's selection colours: readable on light and dark themes alike.
    painter.fillRect(rect, palette().color(QPalette::Highlight));
    const QColor pen = palette().color(QPalette::HighlightedText);
    DrawShown(painter, move->TextPos, end, font, rect.x(), rect.y(), &pen);
}

// Erases the old highlight and draws the new one: only their two rectangles
// are painted again, the rest of the notation stays.
void TNotation::RedrawHighlight() {
    ++highlightDraws_;
    ComputeVisibleRows();
    if (highlighted_ && highlightW_ > 0)
        paintbox_->update(QRect(highlightX_, highlightY_, highlightW_, lineHeight_));
    const QRect now = HighlightRect(core_.Current);
    if (now.width() > 0) paintbox_->update(now.adjusted(0, 0, 0, lineHeight_ - now.height()));
    // Until the paint, the new move counts as highlighted.
    highlighted_ = core_.Current;
    if (now.width() > 0) {
        highlightX_ = now.x();
        highlightY_ = now.y();
        highlightW_ = now.width();
    } else {
        highlightW_ = 0;
    }
}

// ---- variation chooser ----

int TNotation::ChooseVariation(TMoveNode* candidate) {
    if (!candidate) return -1;
    const int side = core_.State.Side;
    const QString dots = side == White ? QStringLiteral(".") : QStringLiteral("...");
    QStringList items;
    auto item = [&](int k, TMoveNode* move) {
        QString s = QChar(static_cast<char16_t>(u'A' + k));
        s += QStringLiteral(") ");
        s += QString::number(move->MoveNo);
        s += dots;
        s += TextFromBytes(ShownMoveText(core_, move->Move));
        items << s;
    };
    item(0, candidate);
    int k = 1;
    for (TVariationEntry* e = candidate->Variations; e; e = e->NextVar) {
        if (e->FirstMove) item(k, e->FirstMove);
        else items << QString(QChar(static_cast<char16_t>(u'A' + k))) + QStringLiteral(") ");
        ++k;
    }
    return ChooseVariationModal(this, items, core_.English());
}

// ---- mouse and keys ----

int TNotation::TextPositionAt(int x, int y) {
    ComputeVisibleRows();
    if (y < 0 || y > (lastRow_ - firstRow_ + 1) * lineHeight_) return 0;
    const int row = firstRow_ + y / lineHeight_ - 1;
    const TNotationDisplay& d = *display_;
    if (row < 0 || row >= d.RowCount()) return 0;
    const TNotationFont rowFont = d.Rows[static_cast<size_t>(row)].Font;
    int pos = 0;
    int cx = d.IndentOfFont(rowFont);
    bool done = false;
    ForEachShownChar(d, d.RowStart(row), d.RowEnd(row), rowFont, [&](const TShownChar& c, TNotationFont f) {
        if (done) return;
        cx += ShownWidth(*measure_, f, c);
        if (cx > x) {
            done = true;
            pos = c.Pos;
        }
    });
    // Right of the row's end lies nothing: that position would be the next
    // row's first move, which is not what was clicked.
    return done ? pos : 0;
}

void TNotation::ClickAt(int x, int y) {
    const int pos = TextPositionAt(x, y);
    if (pos <= 0) return;
    if (GoToTextPosition(pos)) {
        core_.RaiseMoveChange(false);
    } else if (display_->Headline) {
        core_.Current = nullptr;
        Relayout();
        core_.RaiseMoveChange(false);
    }
}

bool TNotation::TryRowTarget(int position) {
    if (!GoToTextPosition(position)) return false;  // scrolls to the move as well
    core_.RaiseMoveChange(false);
    return true;
}

int TNotation::RowStepTarget(int d) const {
    const TMoveNode* cur = core_.Current;
    const TNotationDisplay& disp = *display_;
    if (!cur) return 0;
    const int currentRow = disp.RowOfMove(cur);
    if (currentRow < 0) return 0;
    const int currentStart = disp.RowStart(currentRow);
    const int target = currentRow + d;
    if (target < 0 || target >= disp.RowCount()) return 0;
    if (d > 0 && target + 1 >= disp.RowCount()) return 0;
    // How far into its row the middle of the current move stands.
    const int offset = cur->TextPos + cur->TextLen / 2 - currentStart;
    const int targetStart = disp.RowStart(target);
    int candidate;
    if (d < 0) {
        candidate = targetStart + offset < currentStart ? targetStart + offset : currentStart - 3;
    } else {
        const int afterTargetStart = disp.RowStart(target + 1);
        candidate = (cur->TextPos - currentStart + targetStart) < afterTargetStart ? targetStart + offset
                                                                                    : afterTargetStart - 3;
    }
    const std::string& text = disp.Text;
    const int len = static_cast<int>(text.size());
    if (candidate > len) candidate = len - 3;
    if (candidate < 1) candidate = 1;
    while (candidate > 1 && text[static_cast<size_t>(candidate - 1)] == ' ') --candidate;
    return candidate;
}

bool TNotation::TryMoveNear(int from, int d) {
    const std::string& text = display_->Text;
    const int len = static_cast<int>(text.size());
    auto at = [&](int p) -> char { return p >= 1 && p <= len ? text[static_cast<size_t>(p - 1)] : '\0'; };
    auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
    ComputeVisibleRows();
    if (d < 0) {
        const int stop = display_->RowStart(firstRow_ - 1);
        for (int p = from; p > stop && p >= 1; --p) {
            const char c = at(p);
            const bool square = isRank(c) && isFile(at(p - 1));
            const bool castle = (c == 'O' || c == 'o') && at(p - 1) == '-';
            if ((square || castle) && TryRowTarget(p)) return true;
        }
    } else {
        int stop = display_->RowStart(lastRow_ - 1);
        if (stop <= 0 || stop > len) stop = len;
        for (int p = from; p < stop; ++p) {
            const char c = at(p);
            const bool square = isFile(c) && isRank(at(p + 1));
            const bool castle = c == '-' && (at(p + 1) == 'O' || at(p + 1) == 'o');
            if ((square || castle) && TryRowTarget(p)) return true;
        }
    }
    return false;
}

void TNotation::RowStep(int d) {
    if (!isEnabled()) return;
    const int candidate = RowStepTarget(d);
    if (candidate <= 0) return;
    if (TryRowTarget(candidate) || TryMoveNear(candidate, d)) return;
    scrollbar_->setValue(scrollbar_->value() + d);
}

void TNotation::keyPressEvent(QKeyEvent* event) {
    Guarded(this, [&] {
        int key = event->key();
        if (OnKeyDown) OnKeyDown(*this, key, event->modifiers());
        switch (key) {
            case Qt::Key_PageUp: PrevBranchPoint(); break;
            case Qt::Key_PageDown: NextBranchPoint(); break;
            case Qt::Key_End: ToEnd(); break;
            case Qt::Key_Home: ToStart(); break;
            case Qt::Key_Left: StepBack(); break;
            case Qt::Key_Up: RowUp(); break;
            case Qt::Key_Right: StepForwardBranch(); break;
            case Qt::Key_Down: RowDown(); break;
            default: QFrame::keyPressEvent(event); return;
        }
        event->accept();
    });
}
