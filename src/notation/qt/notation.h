// The notation control: a panel that paints the notation text of the loaded
// game row by row, marks the current move in inverse video, scrolls with a
// vertical scroll bar, and moves through the game by keys and mouse clicks.
// The game, the tree and navigation live in TNotationCore (Core()); this
// widget supplies the fonts, the painting and the user input.
#pragma once

#include <QFont>
#include <QFrame>
#include <QPaintEvent>
#include <QRegion>
#include <QScrollBar>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "notation/layout.h"
#include "notation/notation_core.h"

class TNotation;
class TQtMeasure;

// The paint box: everything of the notation is drawn on it.
class TNotationCanvas : public QWidget {
public:
    explicit TNotationCanvas(TNotation* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TNotation* owner_;
};

// The vertical scroll bar right of the paint box; any change of its position
// repaints the notation.
class TNotationScrollbar : public QScrollBar {
public:
    explicit TNotationScrollbar(TNotation* owner);
};

enum class TBevelKind { None, Lowered, Raised };

class TNotation : public QFrame {
public:
    explicit TNotation(QWidget* parent = nullptr);
    ~TNotation() override;

    TNotationCore& Core() { return core_; }
    const TNotationCore& Core() const { return core_; }
    TNotationDisplay& Display() { return *display_; }

    // ---- operations the main window uses (forwarded to the core) ----
    int LoadGame(const std::string& pgnText);
    bool StepForward();
    bool StepForward(uint8_t& From, uint8_t& To, uint8_t& Promotion, uint8_t& CastlingKind);
    bool StepForwardBranch();
    bool StepBack();
    bool ToStart();
    bool ToEnd();
    bool PrevBranchPoint();
    bool NextBranchPoint();
    bool GoToTextPosition(int position);
    const TMoveRecord* CurrentMove() const { return core_.CurrentMove(); }
    const TBoard& CurrentPosition() const { return core_.CurrentPosition(); }
    std::string CurrentComment() const { return core_.CurrentComment(); }
    void CopyPGNToClipboard();
    void ClearGame();
    void Relayout();
    void ShowCurrentMove();

    // ---- published properties ----
    bool Headline() const { return display_->Headline; }
    void SetHeadline(bool value);
    bool English() const { return core_.English(); }
    void SetEnglish(bool value);
    const QFont& FontHeadLine() const { return fontHeadLine_; }
    void SetFontHeadLine(const QFont& font);
    const QFont& FontComment() const { return fontComment_; }
    void SetFontComment(const QFont& font);
    const QFont& Font0Var() const { return font0Var_; }
    void SetFont0Var(const QFont& font);
    const QFont& Font1Var() const { return font1Var_; }
    void SetFont1Var(const QFont& font);
    const QFont& Font2Var() const { return font2Var_; }
    void SetFont2Var(const QFont& font);
    // Text colours of the fonts (a QFont carries no colour).
    QColor FontColor(TNotationFont font) const;
    void SetFontColor(TNotationFont font, const QColor& color);
    uint16_t Indent0Var() const { return display_->Indent0Var; }
    void SetIndent0Var(uint16_t value);
    uint16_t Indent1Var() const { return display_->Indent1Var; }
    void SetIndent1Var(uint16_t value);
    uint16_t Indent2Var() const { return display_->Indent2Var; }
    void SetIndent2Var(uint16_t value);
    bool AutoBold() const { return display_->AutoBold; }
    void SetAutoBold(bool value);
    // Clocks and evaluations read from the comments, shown after their moves.
    bool ShowClocks() const { return display_->ShowClocks; }
    void SetShowClocks(bool value);
    bool ShowEvals() const { return display_->ShowEvals; }
    void SetShowEvals(bool value);
    uint16_t LineSpacing() const { return lineSpacing_; }
    void SetLineSpacing(uint16_t value);
    // Background of moves whose comment holds "MATCH", and the colour of the
    // row that tells of a reading error; both follow the palette until set.
    QColor MarkColor() const { return markColor_; }
    // The default colours on a light or a dark background: the match
    // background, the reading-error text and the comment text.
    static QColor MatchBackground(bool dark);
    static QColor ErrorText(bool dark);
    static QColor CommentText(bool dark);
    void SetMarkColor(const QColor& color);
    QColor ErrorColor() const { return errorColor_; }
    void SetErrorColor(const QColor& color);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    TBevelKind BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelKind kind);
    TBevelKind BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelKind kind);
    uint16_t NotationBevelWidth() const { return bevelWidth_; }
    void SetNotationBevelWidth(uint16_t value);
    uint16_t NotationBorderWidth() const { return borderWidth_; }
    void SetNotationBorderWidth(uint16_t value);

    // ---- events ----
    std::function<void(TNotation& Sender)> OnResize;
    // A game was loaded (or the game cleared); raised after OnMoveChange.
    std::function<void(TNotation& Sender)> OnGameLoaded;
    // Runs before the control's own keys; setting key to 0 swallows it.
    std::function<void(TNotation& Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    // The core's events (OnMoveChange, OnError, OnFischerInfo, OnGameChanged)
    // are set on Core().
    void SetOnMoveChange(TMoveChangeEvent handler) { core_.OnMoveChange = std::move(handler); }

    // Called after the window layout applied the properties.
    void Loaded();

    // ---- display state and queries ----
    int LineHeight() const { return lineHeight_; }
    int FirstVisibleRow() const { return firstRow_; }  // 1-based
    int LastVisibleRow() const { return lastRow_; }    // 1-based
    TNotationCanvas* Paintbox() const { return paintbox_; }
    TNotationScrollbar* Scrollbar() const { return scrollbar_; }
    // The scroll position that brings the row of `move` into view; -1 for none.
    int ScrollTarget(const TMoveNode* move) const;
    // The move drawn highlighted last (none after a full repaint until drawn).
    const TMoveNode* HighlightedMove() const { return highlighted_; }
    // Counters for tests and diagnostics: full paints and highlight redraws.
    int PaintCount() const { return paintCount_; }
    int HighlightDrawCount() const { return highlightDraws_; }
    // The region the last paint of the paint box covered.
    const QRegion& LastPaintRegion() const { return lastPaintRegion_; }
    // Where the text of `move` stands on the paint box; empty when its row is
    // not in the window.
    QRect MoveRect(const TMoveNode* move) const;
    // The 1-based text position under a point of the paint box; 0 for none.
    int TextPositionAt(int x, int y);
    void ClickAt(int x, int y);
    void RowUp() { RowStep(-1); }
    void RowDown() { RowStep(+1); }

    // Paints the whole notation on a painter covering the paint box.
    void PaintNotation(QPainter& painter);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TNotationCanvas;
    const QFont& QtFont(TNotationFont font) const;
    // The quiet font follows FontComment, a little smaller.
    void UpdateQuietFont();
    void ComputeVisibleRows();
    void ComputeLineHeight();
    void SetLargeChange();
    void AfterRelayout();
    bool ScrollTo(int target);
    void RedrawHighlight();
    void DrawHighlight(QPainter& painter);
    QRect HighlightRect(const TMoveNode* move, TNotationFont* font = nullptr) const;
    int DrawShown(QPainter& painter, int from, int to, TNotationFont rowFont, int x, int y, const QColor* pen) const;
    void DrawRow(QPainter& painter, int row, int y);
    void PlaceChildren();
    void UpdateFrame();
    // One row up (d = -1) or down (+1): to the move under the current one,
    // else to the nearest move toward the window's edge, else the notation
    // scrolls a row.
    void RowStep(int d);
    // The text position in the row d rows from the current move's that
    // stands under the middle of that move; 0 when there is no such row.
    int RowStepTarget(int d) const;
    // Goes to the first move from text position `from` on toward the
    // window's edge in direction d; false when none is there.
    bool TryMoveNear(int from, int d);
    bool TryRowTarget(int position);
    int ChooseVariation(TMoveNode* candidate);
    int RowX(int row, int upToPosition) const;

    TNotationCore core_;
    TNotationDisplay* display_ = nullptr;
    std::unique_ptr<TQtMeasure> measure_;
    TNotationCanvas* paintbox_ = nullptr;
    TNotationScrollbar* scrollbar_ = nullptr;

    QFont fontHeadLine_, fontComment_, font0Var_, font0VarBold_, font1Var_, font2Var_, fontQuiet_;
    QColor colorHeadLine_, colorComment_, color0Var_, color1Var_, color2Var_, colorQuiet_;
    QColor color_;
    QColor markColor_, errorColor_;
    // The palette's colours the defaults were taken from: a colour still at
    // its default follows a new palette (a dark theme), one set apart stays.
    QColor paletteWindow_, paletteText_;
    void FollowPalette();
    uint16_t lineSpacing_ = 3;
    TBevelKind bevelOuter_ = TBevelKind::Lowered;
    TBevelKind bevelInner_ = TBevelKind::None;
    uint16_t bevelWidth_ = 1;
    uint16_t borderWidth_ = 0;

    int lineHeight_ = 1;
    int firstRow_ = 1;
    int lastRow_ = 0;

    const TMoveNode* highlighted_ = nullptr;
    int highlightX_ = 0;
    int highlightY_ = 0;
    TNotationFont highlightFont_ = TNotationFont::Var0;
    int highlightW_ = 0;
    QRegion lastPaintRegion_;
    QRect paintClip_;  // rows outside it are not drawn (empty: all)

    int paintCount_ = 0;
    int highlightDraws_ = 0;
};
