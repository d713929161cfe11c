// Generates src/board/piece_data.cpp: the fourteen built-in piece sets of the
// board as two-colour run streams, drawn from the chess symbols of the
// DejaVu Sans font (U+2654..U+265F).
//
// For every cell size the glyph outlines are scaled to one common size, so
// that the pieces keep their relative heights, and rasterised with 8 x 8
// supersampling:
//  - mask: the silhouette of the glyph (everything its outer contour encloses);
//  - white piece: white inside, black where the glyph covers enough of a
//    pixel, and a closed black border along the silhouette;
//  - black piece: the filled form (U+265A..U+265F): black inside, its thin
//    drawing lines white, its wide open areas filled, and never white next to
//    the border, so that the silhouette stays closed.
// Both colours share one silhouette.
//
// Usage: gen_pieces FONT.ttf OUT.cpp [PREVIEW_DIR]
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSuper = 8;

struct SetInfo {
    const char* name;
    int cell;
};

// In the order of the sets after User.
const SetInfo kSets[14] = {
    {"F32", 32},         {"WinboardF21", 21}, {"WinboardF25", 25}, {"WinboardF29", 29},
    {"WinboardF33", 33}, {"WinboardF37", 37}, {"WinboardF40", 40}, {"WinboardF45", 45},
    {"WinboardF49", 49}, {"WinboardF54", 54}, {"WinboardF58", 58}, {"WinboardF64", 64},
    {"WinboardF72", 72}, {"WinboardF80", 80},
};

// Sheet order pawn, rook, bishop, knight, queen, king; offsets from U+2654 (king).
const int kGlyphOffset[6] = {5, 2, 3, 4, 1, 0};

struct Grey {
    int w = 0, h = 0;
    std::vector<float> v;  // coverage 0..1
    float At(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
};

// Fills the path at kSuper times the cell size into a 1-bit grid.
std::vector<uint8_t> RenderHigh(const QPainterPath& path, int size) {
    QImage img(size, size, QImage::Format_Grayscale8);
    img.fill(255);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(path, Qt::black);
    }
    std::vector<uint8_t> bits(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < size; ++x) bits[static_cast<size_t>(y) * size + x] = line[x] < 128;
    }
    return bits;
}

// Everything not reachable from the border through unset pixels.
std::vector<uint8_t> FillHoles(const std::vector<uint8_t>& bits, int size) {
    std::vector<uint8_t> outside(bits.size(), 0);
    std::vector<int> stack;
    auto push = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= size || y >= size) return;
        size_t i = static_cast<size_t>(y) * size + x;
        if (bits[i] || outside[i]) return;
        outside[i] = 1;
        stack.push_back(static_cast<int>(i));
    };
    for (int k = 0; k < size; ++k) {
        push(k, 0);
        push(k, size - 1);
        push(0, k);
        push(size - 1, k);
    }
    while (!stack.empty()) {
        int i = stack.back();
        stack.pop_back();
        int x = i % size, y = i / size;
        push(x + 1, y);
        push(x - 1, y);
        push(x, y + 1);
        push(x, y - 1);
    }
    std::vector<uint8_t> inside(bits.size());
    for (size_t i = 0; i < bits.size(); ++i) inside[i] = !outside[i];
    return inside;
}

Grey Downsample(const std::vector<uint8_t>& bits, int cell) {
    Grey g;
    g.w = g.h = cell;
    g.v.assign(static_cast<size_t>(cell) * cell, 0.f);
    const int big = cell * kSuper;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
            int n = 0;
            for (int dy = 0; dy < kSuper; ++dy)
                for (int dx = 0; dx < kSuper; ++dx)
                    n += bits[static_cast<size_t>(y * kSuper + dy) * big + x * kSuper + dx];
            g.v[static_cast<size_t>(y) * cell + x] = static_cast<float>(n) / (kSuper * kSuper);
        }
    return g;
}

struct Cell {
    std::vector<uint8_t> image;  // 1 = black
    std::vector<uint8_t> mask;   // 1 = black (inside)
};

// Chessboard distance of every set pixel to the nearest unset one.
std::vector<int> DistanceInside(const std::vector<uint8_t>& bits, int size) {
    std::vector<int> dist(bits.size(), 0);
    std::vector<int> queue;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            size_t i = static_cast<size_t>(y) * size + x;
            if (!bits[i]) continue;
            bool edge = x == 0 || y == 0 || x == size - 1 || y == size - 1;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx)
                    edge = !bits[static_cast<size_t>(y + dy) * size + x + dx];
            if (edge) {
                dist[i] = 1;
                queue.push_back(static_cast<int>(i));
            }
        }
    for (size_t head = 0; head < queue.size(); ++head) {
        int i = queue[head];
        int x = i % size, y = i / size;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= size || ny >= size) continue;
                size_t j = static_cast<size_t>(ny) * size + nx;
                if (bits[j] && dist[j] == 0) {
                    dist[j] = dist[static_cast<size_t>(i)] + 1;
                    queue.push_back(static_cast<int>(j));
                }
            }
    }
    return dist;
}

// Set pixels within chessboard distance r of a set pixel of `bits`.
std::vector<uint8_t> Dilate(const std::vector<uint8_t>& bits, int size, int r) {
    std::vector<int> dist(bits.size(), -1);
    std::vector<int> queue;
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) {
            dist[i] = 0;
            queue.push_back(static_cast<int>(i));
        }
    for (size_t head = 0; head < queue.size(); ++head) {
        int i = queue[head];
        if (dist[static_cast<size_t>(i)] >= r) continue;
        int x = i % size, y = i / size;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= size || ny >= size) continue;
                size_t j = static_cast<size_t>(ny) * size + nx;
                if (dist[j] < 0) {
                    dist[j] = dist[static_cast<size_t>(i)] + 1;
                    queue.push_back(static_cast<int>(j));
                }
            }
    }
    std::vector<uint8_t> out(bits.size());
    for (size_t i = 0; i < bits.size(); ++i) out[i] = dist[i] >= 0;
    return out;
}

// strokeHigh: the width of the outline glyph's outer stroke at kSuper scale.
Cell DrawPiece(const QPainterPath& outline, const QPainterPath& filled, int cell, bool white, int strokeHigh) {
    const int big = cell * kSuper;
    std::vector<uint8_t> outlineHigh = RenderHigh(outline, big);
    std::vector<uint8_t> filledHigh = RenderHigh(filled, big);
    std::vector<uint8_t> silhouetteHigh = FillHoles(outlineHigh, big);
    std::vector<uint8_t> filledSolid = FillHoles(filledHigh, big);
    for (size_t i = 0; i < silhouetteHigh.size(); ++i) silhouetteHigh[i] |= filledSolid[i];
    // The filled glyph leaves its drawing open inside the silhouette. Thin
    // openings are drawing lines and stay white on the black piece; wide ones
    // (a disc of the stroke width fits in) are filled black, so that a black
    // piece reads as black at every size.
    std::vector<uint8_t> open(filledHigh.size());
    for (size_t i = 0; i < open.size(); ++i) open[i] = silhouetteHigh[i] && !filledHigh[i];
    std::vector<int> openDist = DistanceInside(open, big);
    std::vector<uint8_t> core(open.size());
    const int r = std::max(kSuper, strokeHigh);
    for (size_t i = 0; i < core.size(); ++i) core[i] = openDist[i] > r;
    std::vector<uint8_t> wide = Dilate(core, big, r);
    std::vector<uint8_t> detailHigh(open.size());
    for (size_t i = 0; i < detailHigh.size(); ++i) detailHigh[i] = open[i] && !wide[i];

    // Drawing lines as thick as the font's would swamp a small black piece:
    // thin them by a quarter of the stroke width on each side.
    std::vector<int> detailDist = DistanceInside(detailHigh, big);
    for (size_t i = 0; i < detailHigh.size(); ++i) detailHigh[i] = detailDist[i] > r / 4;
    Grey sil = Downsample(silhouetteHigh, cell);
    Grey line = Downsample(outlineHigh, cell);
    Grey detail = Downsample(detailHigh, cell);

    Cell c;
    c.mask.assign(static_cast<size_t>(cell) * cell, 0);
    c.image.assign(c.mask.size(), 0);
    for (size_t i = 0; i < c.mask.size(); ++i) c.mask[i] = sil.v[i] >= 0.5f;
    // The top row and the outer columns stay white: a stored column must start
    // white, and neighbouring pieces must never touch.
    for (int x = 0; x < cell; ++x) c.mask[static_cast<size_t>(x)] = 0;
    for (int y = 0; y < cell; ++y) {
        c.mask[static_cast<size_t>(y) * cell] = 0;
        c.mask[static_cast<size_t>(y) * cell + cell - 1] = 0;
    }
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < cell && y < cell && c.mask[static_cast<size_t>(y) * cell + x];
    };
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
            size_t i = static_cast<size_t>(y) * cell + x;
            if (!c.mask[i]) continue;
            bool border = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            if (white) {
                c.image[i] = border || line.v[i] >= 0.38f;
            } else {
                // Black body; the inner lines of the drawing show white, but
                // never on the two outermost pixel rings, so that the
                // silhouette stays closed on a light square.
                bool nearBorder = border;
                for (int dy = -1; dy <= 1 && !nearBorder; ++dy)
                    for (int dx = -1; dx <= 1 && !nearBorder; ++dx) nearBorder = !in(x + dx, y + dy);
                c.image[i] = nearBorder || detail.v[i] < 0.40f;
            }
        }
    return c;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& sheet, int w, int h) {
    std::vector<uint8_t> out;
    for (int x = 0; x < w; ++x) {
        uint8_t colour = 0;
        int y = 0;
        while (y < h) {
            int n = 0;
            while (y + n < h && sheet[static_cast<size_t>(y + n) * w + x] == colour) ++n;
            if (n == 0 || n > 255) {
                std::fprintf(stderr, "column %d cannot be stored\n", x);
                std::exit(1);
            }
            out.push_back(static_cast<uint8_t>(n));
            y += n;
            colour = !colour;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: gen_pieces FONT.ttf OUT.cpp [PREVIEW_DIR]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[1]));
    if (id < 0) {
        std::fprintf(stderr, "cannot load font %s\n", argv[1]);
        return 1;
    }
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(1000);
    font.setStyleStrategy(QFont::NoFontMerging);

    QPainterPath outlines[6], filleds[6];
    QRectF all;
    for (int k = 0; k < 6; ++k) {
        outlines[k].addText(0, 0, font, QString(QChar(0x2654 + kGlyphOffset[k])));
        filleds[k].addText(0, 0, font, QString(QChar(0x265A + kGlyphOffset[k])));
        outlines[k].setFillRule(Qt::WindingFill);
        filleds[k].setFillRule(Qt::OddEvenFill);
        all = all.united(outlines[k].boundingRect());
    }
    const double tallest = std::max(all.height(), 1.0);
    double widest = 1;
    for (int k = 0; k < 6; ++k) widest = std::max(widest, outlines[k].boundingRect().width());
    const double bottomLine = all.bottom();
    // Width of the outer stroke of the outline glyphs, measured across the
    // middle of the rook (in font units).
    double stroke = 0;
    {
        QRectF r = outlines[1].boundingRect();
        double y = r.center().y();
        double x = r.left();
        while (x < r.right() && !outlines[1].contains(QPointF(x, y))) x += 0.5;
        double start = x;
        while (x < r.right() && outlines[1].contains(QPointF(x, y))) x += 0.5;
        stroke = x - start;
    }

    QString out;
    QTextStream ts(&out);
    ts << "// Generated by tools/pieces/gen_pieces from the chess symbols of DejaVu Sans\n"
          "// (see tools/pieces/LICENSE-NOTE.md). Do not edit by hand.\n"
          "#include \"board/piece_data.h\"\n\nnamespace {\n\n";
    QStringList table;
    for (const SetInfo& set : kSets) {
        const int cell = set.cell;
        const int big = cell * kSuper;
        // Pieces use 88 % of the cell height; the bottom margin is a little
        // larger than the top one so that they stand on the square.
        double scale = std::min(0.88 * big / tallest, 0.90 * big / widest);
        double base = big - std::max(1.0, 0.07 * cell) * kSuper;
        const int w = 12 * cell, h = 2 * cell;
        std::vector<uint8_t> sheet(static_cast<size_t>(w) * h, 0);
        for (int colour = 0; colour < 2; ++colour)
            for (int k = 0; k < 6; ++k) {
                QRectF r = outlines[k].boundingRect();
                QTransform t;
                t.translate(big / 2.0, base);
                t.scale(scale, scale);
                t.translate(-r.center().x(), -bottomLine);
                // Snap to whole pixels so that symmetric pieces stay symmetric.
                QPointF origin = t.map(QPointF(r.center().x(), bottomLine));
                QTransform snap;
                snap.translate(std::round(origin.x() / kSuper) * kSuper - origin.x(), 0);
                t = t * snap;
                Cell c = DrawPiece(t.map(outlines[k]), t.map(filleds[k]), cell, colour == 0, static_cast<int>(stroke * scale + 0.5));
                int x0 = (colour * 6 + k) * cell;
                for (int y = 0; y < cell; ++y)
                    for (int x = 0; x < cell; ++x) {
                        size_t i = static_cast<size_t>(y) * cell + x;
                        sheet[static_cast<size_t>(y) * w + x0 + x] = c.image[i];
                        sheet[static_cast<size_t>(y + cell) * w + x0 + x] = c.mask[i];
                    }
            }
        if (argc > 3) {
            QImage preview(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    preview.setPixel(x, y, sheet[static_cast<size_t>(y) * w + x] ? 0xff000000 : 0xffffffff);
            preview.save(QString::fromLocal8Bit(argv[3]) + "/" + set.name + ".png");
        }
        std::vector<uint8_t> runs = Encode(sheet, w, h);
        ts << "const uint8_t k" << set.name << "[" << runs.size() << "] = {";
        for (size_t i = 0; i < runs.size(); ++i) {
            if (i % 24 == 0) ts << "\n   ";
            ts << " " << runs[i] << ",";
        }
        ts << "\n};\n\n";
        table << QString("    {%1, k%2, sizeof k%2},").arg(cell).arg(set.name);
    }
    ts << "}  // namespace\n\nconst TPieceStreamData kPieceStreams[14] = {\n" << table.join("\n") << "\n};\n";
    ts.flush();
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    file.write(out.toUtf8());
    return 0;
}
