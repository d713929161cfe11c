// The board's properties (piece sets, size, flip, square colours and
// patterns) and the building of its piece sheets.
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>

#include "board/qt/board_widget.h"
#include "board/user_sheet.h"
#include "platform/error_text.h"
#include "platform/platform.h"

namespace {

// Pen colours of the run streams and the empty picture.
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;

}  // namespace

// ---------------------------------------------------------------- properties

void TBrett::SetFiguren(TFigurenset value) {
    if (static_cast<int>(value) >= kFigurensetCount) return;  // no such set
    if (value != TFigurenset::User && value != figuren_) {
        if (BuildPieceSheet(DeviceSet(value))) RedrawBoard(true);
        userFiguren_.clear();
    }
    figuren_ = value;
}

void TBrett::SetUserFiguren(const QString& name) {
    if (name.isEmpty() || name == userFiguren_) {
        userFiguren_ = name;
        return;
    }
    if (!QFileInfo::exists(name)) {
        Platform::Get().ShowMessage(this, QString::fromUtf8(kMsgFileNotFound), TMessageKind::Error);
        return;
    }
    if (LoadPieceBitmap(name)) {
        RedrawBoard(true);
        figuren_ = TFigurenset::User;
        userFiguren_ = name;
    } else {
        SetFiguren(TFigurenset::WinboardF33);
    }
}

void TBrett::SetGroesse(int value) {
    if (value < -99 || value > 99) return;  // also keeps abs() clear of INT_MIN
    const int v = std::abs(value);
    if (v == groesse_ || v < 10) return;
    setFixedSize(8 * v, 8 * v);
    groesse_ = v;
    RebuildPicture();
}

void TBrett::RebuildPicture() {
    cell_ = std::max(1, qRound(groesse_ * ratio_));
    QImage picture(8 * cell_, 8 * cell_, QImage::Format_RGB32);
    picture.fill(kWhite);
    {
        // Keep what is drawn where it still fits; the forced redraw below
        // paints every square anyway.
        QPainter p(&picture);
        p.drawImage(0, 0, picture_);
    }
    picture_ = picture;
    dragBuffer_ = QImage(cell_, cell_, QImage::Format_RGB32);
    ComputeSquareRects(cell_);
    whitePatternScaled_ = QImage();
    blackPatternScaled_ = QImage();
    RepaintAll();
    update();
}

TFigurenset TBrett::DeviceSet(TFigurenset set) const {
    if (ratio_ == 1 || set == TFigurenset::User) return set;
    return NearestBuiltInSet(qRound(PieceCellSize(set) * ratio_));
}

void TBrett::RepaintAll() {
    if (PaintLocked) {
        // Nothing may be painted now: the next redraw paints every square.
        for (int q = 0; q < 64; ++q) lastDrawn_[static_cast<size_t>(Index64ToSquare(q))] = -100;
        return;
    }
    RedrawBoard(true);
}

void TBrett::SetFlipped(bool value) {
    if (value == flipped_) return;
    flipped_ = value;
    // A piece in the air goes back: its square is repainted with everything else.
    draggedPiece_ = 0;
    suggestedSquare_ = 0;
    ComputeSquareRects(cell_);
    RepaintAll();
    update();
}

void TBrett::SetCoordinates(bool value) {
    if (value == coordinates_) return;
    coordinates_ = value;
    RepaintAll();
}

void TBrett::SetMarkLastMove(bool value) {
    if (value == markLastMove_) return;
    markLastMove_ = value;
    RepaintAll();
}

void TBrett::SetDeviceRatio(qreal ratio) {
    if (!(ratio >= 1 && ratio <= 8) || ratio == ratio_) return;
    ratio_ = ratio;
    draggedPiece_ = 0;
    suggestedSquare_ = 0;
    if (sheetBuiltIn_ && figuren_ != TFigurenset::User) BuildPieceSheet(DeviceSet(figuren_));
    RebuildPicture();
}

void TBrett::SetGrundstellung(bool value) {
    for (int q = 0; q < 64; ++q) {
        const size_t m = static_cast<size_t>(Index64ToSquare(q));
        stellung_[m] = value ? InitialPosition[m] : 0;
    }
    zug_.FromSq = zug_.ToSq = zug_.Promotion = zug_.EpVictim = zug_.EpSquare = 0;
    zug_.Captured = zug_.CastleKind = 0;
    zug_.Castling = 31;
    zug_.Side = White;
    zug_.Flags = 0;
    zug_.MoveNag = 0;
    if (OnNewPosition) OnNewPosition(this, stellung_, zug_, 1);
    RedrawBoard(false);
    grundstellung_ = value;
}

void TBrett::SetWhiteSquareColor(const QColor& c) {
    if (c == whiteColor_) return;
    whiteColor_ = c;
    RedrawBoard(true);
}

void TBrett::SetBlackSquareColor(const QColor& c) {
    if (c == blackColor_) return;
    blackColor_ = c;
    RedrawBoard(true);
}

void TBrett::SetSquarePattern(QImage& owned, QImage& scaled, const QImage* pattern) {
    if (pattern == &owned) return;
    if (pattern && !pattern->isNull()) {
        // Raster operations ignore alpha: flatten a transparent pattern onto white.
        QImage flat(pattern->size(), QImage::Format_RGB32);
        flat.fill(kWhite);
        QPainter p(&flat);
        p.drawImage(0, 0, *pattern);
        p.end();
        owned = flat;
    } else {
        owned = QImage();
    }
    scaled = QImage();
    RedrawBoard(true);
}

void TBrett::SetWhiteSquarePattern(const QImage* pattern) {
    SetSquarePattern(whitePattern_, whitePatternScaled_, pattern);
}

void TBrett::SetBlackSquarePattern(const QImage* pattern) {
    SetSquarePattern(blackPattern_, blackPatternScaled_, pattern);
}

// ---------------------------------------------------------------- piece sheets

bool TBrett::BuildPieceSheet(TFigurenset set) {
    const int s = PieceCellSize(set);
    const std::span<const uint8_t> stream = PieceRunStream(set);
    if (s <= 0 || stream.empty()) return false;
    BusyCursor busy;
    QImage sheet(12 * s, 2 * s, QImage::Format_RGB32);
    const long long used = ForEachRun(stream, s, [&sheet](int x, int y, int n, bool black) {
        const QRgb colour = black ? kBlack : kWhite;
        for (int k = 0; k < n; ++k) reinterpret_cast<QRgb*>(sheet.scanLine(y + k))[x] = colour;
    });
    if (used < 0 || static_cast<size_t>(used) != stream.size()) return false;
    sheet_ = sheet;
    sheetBuiltIn_ = true;
    return true;
}

bool TBrett::LoadPieceBitmap(const QString& name) {
    auto fail = [this](const char* message) {
        Platform::Get().ShowMessage(this, QString::fromUtf8(message), TMessageKind::Error);
        return false;
    };
    QFile file(name);
    const QFileInfo info(name);
    if (!info.exists()) return fail(kMsgDateiNichtGefunden);
    // A pipe or device is no bitmap, and opening a pipe could wait forever.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) return fail(kMsgBitmapNichtGeladen);
    // The header decides before anything is decoded: a file claiming a huge
    // size is refused without allocating its pixels.
    const QByteArray head = file.read(64);
    TImageHeader header;
    if (!ReadImageHeader(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(head.constData()),
                                                  static_cast<size_t>(head.size())),
                         header))
        return fail(kMsgBitmapNichtGeladen);
    // A cut-off bitmap does not load, whatever size it claims (and would
    // otherwise load with made-up rows).
    if (file.size() < header.minimumFileSize) return fail(kMsgBitmapNichtGeladen);
    if (!UserSheetSizeOk(header.width, header.height)) return fail(kMsgUngueltigeMasse);
    file.seek(0);
    QImageReader reader(&file, header.kind == TImageKind::Png ? "png" : "bmp");
    reader.setAutoTransform(false);
    QImage loaded = reader.read();
    if (loaded.isNull()) return fail(kMsgBitmapNichtGeladen);
    if (!UserSheetSizeOk(loaded.width(), loaded.height())) return fail(kMsgUngueltigeMasse);
    // Raster operations ignore alpha: flatten onto white.
    QImage sheet(loaded.size(), QImage::Format_RGB32);
    sheet.fill(kWhite);
    QPainter p(&sheet);
    p.drawImage(0, 0, loaded);
    p.end();
    sheet_ = sheet;
    sheetBuiltIn_ = false;
    return true;
}
