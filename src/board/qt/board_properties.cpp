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

void TBoardWidget::SetPieceSet(TPieceSet value) {
    if (static_cast<int>(value) >= kPieceSetCount) return;  // no such set
    if (value != TPieceSet::User && value != pieceSet_) {
        if (BuildPieceSheet(DeviceSet(value))) RedrawBoard(true);
        userPieceSet_.clear();
    }
    pieceSet_ = value;
}

void TBoardWidget::SetUserPieceSet(const QString& name) {
    if (name.isEmpty() || name == userPieceSet_) {
        userPieceSet_ = name;
        return;
    }
    if (!QFileInfo::exists(name)) {
        Platform::Get().ShowMessage(this, QString::fromUtf8(kMsgFileNotFound), TMessageKind::Error);
        return;
    }
    if (LoadPieceBitmap(name)) {
        RedrawBoard(true);
        pieceSet_ = TPieceSet::User;
        userPieceSet_ = name;
    } else {
        SetPieceSet(TPieceSet::WinboardF33);
    }
}

void TBoardWidget::SetSquareSize(int value) {
    if (value < -99 || value > 99) return;  // also keeps abs() clear of INT_MIN
    const int v = std::abs(value);
    if (v == squareSize_ || v < 10) return;
    setFixedSize(8 * v, 8 * v);
    squareSize_ = v;
    RebuildPicture();
}

void TBoardWidget::RebuildPicture() {
    cell_ = std::max(1, qRound(squareSize_ * ratio_));
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

TPieceSet TBoardWidget::DeviceSet(TPieceSet set) const {
    if (ratio_ == 1 || set == TPieceSet::User) return set;
    return NearestBuiltInSet(qRound(PieceCellSize(set) * ratio_));
}

void TBoardWidget::RepaintAll() {
    if (PaintLocked) {
        // Nothing may be painted now: the next redraw paints every square.
        for (int q = 0; q < 64; ++q) lastDrawn_[static_cast<size_t>(Index64ToSquare(q))] = -100;
        return;
    }
    RedrawBoard(true);
}

void TBoardWidget::SetFlipped(bool value) {
    if (value == flipped_) return;
    flipped_ = value;
    // A piece in the air goes back: its square is repainted with everything else.
    draggedPiece_ = 0;
    suggestedSquare_ = 0;
    ComputeSquareRects(cell_);
    RepaintAll();
    update();
}

void TBoardWidget::SetCoordinates(bool value) {
    if (value == coordinates_) return;
    coordinates_ = value;
    update();  // the host's labels beside the board follow at its repaint
}

void TBoardWidget::SetMarkLastMove(bool value) {
    if (value == markLastMove_) return;
    markLastMove_ = value;
    RepaintAll();
}

void TBoardWidget::SetDeviceRatio(qreal ratio) {
    if (!(ratio >= 1 && ratio <= 8) || ratio == ratio_) return;
    ratio_ = ratio;
    draggedPiece_ = 0;
    suggestedSquare_ = 0;
    if (sheetBuiltIn_ && pieceSet_ != TPieceSet::User) BuildPieceSheet(DeviceSet(pieceSet_));
    RebuildPicture();
}

void TBoardWidget::SetStartPosition(bool value) {
    for (int q = 0; q < 64; ++q) {
        const size_t m = static_cast<size_t>(Index64ToSquare(q));
        position_[m] = value ? InitialPosition[m] : 0;
    }
    move_.FromSq = move_.ToSq = move_.Promotion = move_.EpVictim = move_.EpSquare = 0;
    move_.Captured = move_.CastleKind = 0;
    move_.Castling = 31;
    move_.Side = White;
    move_.Flags = 0;
    move_.MoveNag = 0;
    if (OnNewPosition) OnNewPosition(this, position_, move_, 1);
    RedrawBoard(false);
    startPosition_ = value;
}

void TBoardWidget::SetWhiteSquareColor(const QColor& c) {
    if (c == whiteColor_) return;
    whiteColor_ = c;
    RedrawBoard(true);
}

void TBoardWidget::SetBlackSquareColor(const QColor& c) {
    if (c == blackColor_) return;
    blackColor_ = c;
    RedrawBoard(true);
}

void TBoardWidget::SetSquarePattern(QImage& owned, QImage& scaled, const QImage* pattern) {
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

void TBoardWidget::SetWhiteSquarePattern(const QImage* pattern) {
    SetSquarePattern(whitePattern_, whitePatternScaled_, pattern);
}

void TBoardWidget::SetBlackSquarePattern(const QImage* pattern) {
    SetSquarePattern(blackPattern_, blackPatternScaled_, pattern);
}

// ---------------------------------------------------------------- piece sheets

bool TBoardWidget::BuildPieceSheet(TPieceSet set) {
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

bool TBoardWidget::LoadPieceBitmap(const QString& name) {
    auto fail = [this](const char* message) {
        Platform::Get().ShowMessage(this, QString::fromUtf8(message), TMessageKind::Error);
        return false;
    };
    QFile file(name);
    const QFileInfo info(name);
    if (!info.exists()) return fail(kMsgPieceFileNotFound);
    // A pipe or device is no bitmap, and opening a pipe could wait forever.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) return fail(kMsgBitmapNotLoaded);
    // The header decides before anything is decoded: a file claiming a huge
    // size is refused without allocating its pixels.
    const QByteArray head = file.read(64);
    TImageHeader header;
    if (!ReadImageHeader(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(head.constData()),
                                                  static_cast<size_t>(head.size())),
                         header))
        return fail(kMsgBitmapNotLoaded);
    // A cut-off bitmap does not load, whatever size it claims (and would
    // otherwise load with made-up rows).
    if (file.size() < header.minimumFileSize) return fail(kMsgBitmapNotLoaded);
    if (!UserSheetSizeOk(header.width, header.height)) return fail(kMsgInvalidSize);
    file.seek(0);
    QImageReader reader(&file, header.kind == TImageKind::Png ? "png" : "bmp");
    reader.setAutoTransform(false);
    QImage loaded = reader.read();
    if (loaded.isNull()) return fail(kMsgBitmapNotLoaded);
    if (!UserSheetSizeOk(loaded.width(), loaded.height())) return fail(kMsgInvalidSize);
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
