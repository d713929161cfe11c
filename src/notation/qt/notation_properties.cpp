// The notation's properties: fonts, indents, line spacing, colours and
// bevels. Each setter relayouts or repaints what its value changes.
#include "notation/qt/notation.h"

#include "notation/qt/qt_measure.h"

#include <algorithm>

namespace {

// Sizes compare in points; a font given in pixels counts at 96 dpi.
double SizeOf(const QFont& f) {
    if (f.pointSizeF() > 0) return f.pointSizeF();
    if (f.pixelSize() > 0) return f.pixelSize() * 0.75;
    return 0;
}

void TakeSize(QFont& dst, const QFont& src) {
    if (src.pointSizeF() > 0) dst.setPointSizeF(src.pointSizeF());
    else if (src.pixelSize() > 0) dst.setPixelSize(src.pixelSize());
}

}  // namespace

void TNotation::SetHeadline(bool value) {
    display_->Headline = value;
    Relayout();
}

void TNotation::SetEnglish(bool value) {
    if (core_.English() == value) return;
    core_.SetEnglish(value);
    Relayout();
}

void TNotation::SetFontHeadLine(const QFont& font) {
    fontHeadLine_ = font;
    measure_->Invalidate();
    Relayout();
}

void TNotation::SetFontComment(const QFont& font) {
    fontComment_ = font;
    // A comment never stands out larger than the moves around it.
    const QFont* largest = &font0Var_;
    if (SizeOf(font1Var_) > SizeOf(*largest)) largest = &font1Var_;
    if (SizeOf(font2Var_) > SizeOf(*largest)) largest = &font2Var_;
    if (SizeOf(fontComment_) > SizeOf(*largest)) TakeSize(fontComment_, *largest);
    UpdateQuietFont();
    measure_->Invalidate();
    Relayout();
}

void TNotation::SetFont0Var(const QFont& font) {
    font0Var_ = font;
    font0VarBold_ = font;
    font0VarBold_.setBold(true);
    paintbox_->setFont(font0Var_);
    for (QFont* f : {&font1Var_, &font2Var_}) {
        f->setFamily(font.family());
        TakeSize(*f, font);
    }
    if (SizeOf(fontComment_) > SizeOf(font0Var_)) TakeSize(fontComment_, font0Var_);
    UpdateQuietFont();
    measure_->Invalidate();
    ComputeLineHeight();
    SetLargeChange();
    Relayout();
}

namespace {
void TakeStyle(QFont& dst, const QFont& src) {
    dst.setBold(src.bold());
    dst.setWeight(src.weight());
    dst.setItalic(src.italic());
    dst.setUnderline(src.underline());
    dst.setStrikeOut(src.strikeOut());
}
}  // namespace

void TNotation::SetFont1Var(const QFont& font) {
    TakeStyle(font1Var_, font);
    measure_->Invalidate();
    Relayout();
}

void TNotation::SetFont2Var(const QFont& font) {
    TakeStyle(font2Var_, font);
    measure_->Invalidate();
    Relayout();
}

void TNotation::UpdateQuietFont() {
    fontQuiet_ = fontComment_;
    if (fontComment_.pixelSize() > 0) fontQuiet_.setPixelSize(std::max(7, fontComment_.pixelSize() * 5 / 6));
    else if (fontComment_.pointSizeF() > 0) fontQuiet_.setPointSizeF(std::max(5.0, fontComment_.pointSizeF() * 5 / 6));
}

void TNotation::SetShowClocks(bool value) {
    if (display_->ShowClocks == value) return;
    display_->ShowClocks = value;
    Relayout();
}

void TNotation::SetShowEvals(bool value) {
    if (display_->ShowEvals == value) return;
    display_->ShowEvals = value;
    Relayout();
}

void TNotation::SetIndent0Var(uint16_t value) {
    if (display_->Indent0Var == value) return;
    display_->Indent0Var = value;
    Relayout();
}

void TNotation::SetIndent1Var(uint16_t value) {
    if (display_->Indent1Var == value) return;
    display_->Indent1Var = value;
    Relayout();
}

void TNotation::SetIndent2Var(uint16_t value) {
    if (display_->Indent2Var == value) return;
    display_->Indent2Var = value;
    Relayout();
}

void TNotation::SetAutoBold(bool value) { display_->AutoBold = value; }

void TNotation::SetLineSpacing(uint16_t value) {
    if (lineSpacing_ == value) return;
    lineSpacing_ = value;
    ComputeLineHeight();
    SetLargeChange();
    Relayout();
}

void TNotation::SetColor(const QColor& color) {
    if (color_ == color) return;
    color_ = color;
    paintbox_->update();
}

void TNotation::SetMarkColor(const QColor& color) {
    if (!color.isValid() || color == markColor_) return;
    markColor_ = color;
    paintbox_->update();
}

void TNotation::SetErrorColor(const QColor& color) {
    if (!color.isValid() || color == errorColor_) return;
    errorColor_ = color;
    paintbox_->update();
}

void TNotation::SetBevelOuter(TBevelKind kind) {
    if (bevelOuter_ == kind) return;
    bevelOuter_ = kind;
    UpdateFrame();
}

void TNotation::SetBevelInner(TBevelKind kind) {
    if (bevelInner_ == kind) return;
    bevelInner_ = kind;
    UpdateFrame();
}

void TNotation::SetNotationBevelWidth(uint16_t value) {
    if (value < 1) return;
    bevelWidth_ = value;
    UpdateFrame();
    PlaceChildren();
}

void TNotation::SetNotationBorderWidth(uint16_t value) {
    borderWidth_ = value;
    UpdateFrame();
    PlaceChildren();
}

void TNotation::UpdateFrame() {
    TBevelKind kind = bevelOuter_ != TBevelKind::None ? bevelOuter_ : bevelInner_;
    if (kind == TBevelKind::None) {
        setFrameStyle(QFrame::NoFrame);
    } else {
        setFrameStyle(QFrame::Panel | (kind == TBevelKind::Lowered ? QFrame::Sunken : QFrame::Raised));
        setLineWidth(bevelWidth_);
    }
    update();
}
