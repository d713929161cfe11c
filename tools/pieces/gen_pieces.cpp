// Generates src/board/piece_data.cpp: the fourteen built-in piece sets of the
// board as two-colour run streams, rendered from a vector piece set drawn for
// chess boards (one SVG file per piece: wp.svg ... wk.svg, bp.svg ... bk.svg,
// each on a 45 x 45 canvas; see LICENSE-NOTE.md for the set used).
//
// Every cell size is rendered afresh from the vectors with 8 x 8 supersampling
// (never by scaling a bitmap), all pieces at one common scale so that they
// keep their relative sizes, and reduced to two colours:
//  - mask: where the drawing covers at least half a pixel, enclosed holes
//    filled, so the silhouette is solid;
//  - white piece: black where dark ink covers enough of the pixel, and a
//    closed black border along the silhouette; the inner lines get thinner
//    thresholds at small sizes so the piece stays white inside;
//  - black piece: black with the drawing's light lines in white, never on
//    the border ring, and without isolated single white pixels (specks).
//
// Usage: gen_pieces SVG_DIR OUT.cpp [PREVIEW_DIR]
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSuper = 8;
constexpr double kCanvas = 45.0;  // the SVG canvas in drawing units

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

const char* const kPieceFiles[12] = {"wp", "wr", "wb", "wn", "wq", "wk",
                                     "bp", "br", "bb", "bn", "bq", "bk"};

using Bits = std::vector<uint8_t>;

// Renders one SVG with the drawing unit mapped to `unit` pixels and the
// canvas origin at (ox, oy); returns ink coverage and darkness per pixel of a
// cell x cell grid (each averaged over kSuper x kSuper samples).
struct Coverage {
    std::vector<float> alpha;  // 0..1: how much of the pixel is drawn at all
    std::vector<float> dark;   // 0..1: how much of it is dark ink
};

Coverage Render(QSvgRenderer& svg, int cell, double unit, double ox, double oy) {
    const int big = cell * kSuper;
    QImage img(big, big, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        svg.render(&p, QRectF(ox * kSuper, oy * kSuper, kCanvas * unit * kSuper, kCanvas * unit * kSuper));
    }
    Coverage c;
    c.alpha.assign(static_cast<size_t>(cell) * cell, 0.f);
    c.dark.assign(c.alpha.size(), 0.f);
    for (int y = 0; y < big; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < big; ++x) {
            const double a = qAlpha(line[x]) / 255.0;
            // Premultiplied: the colour over white is rgb + (1 - a) * 255.
            const double lum = (qRed(line[x]) + qGreen(line[x]) + qBlue(line[x])) / (3 * 255.0) + (1 - a);
            size_t i = static_cast<size_t>(y / kSuper) * cell + x / kSuper;
            c.alpha[i] += static_cast<float>(a);
            c.dark[i] += static_cast<float>(1 - lum);
        }
    }
    for (size_t i = 0; i < c.alpha.size(); ++i) {
        c.alpha[i] /= kSuper * kSuper;
        c.dark[i] /= kSuper * kSuper;
    }
    return c;
}

// Everything not reachable from the cell's edge through unset pixels (4-way).
Bits FillHoles(const Bits& bits, int size) {
    Bits outside(bits.size(), 0);
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
    Bits inside(bits.size());
    for (size_t i = 0; i < bits.size(); ++i) inside[i] = !outside[i];
    return inside;
}

// Number of 8-connected components of set pixels.
int Components(const Bits& bits, int size) {
    Bits seen(bits.size(), 0);
    int count = 0;
    for (size_t start = 0; start < bits.size(); ++start) {
        if (!bits[start] || seen[start]) continue;
        ++count;
        std::vector<int> stack{static_cast<int>(start)};
        seen[start] = 1;
        while (!stack.empty()) {
            int i = stack.back();
            stack.pop_back();
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int nx = i % size + dx, ny = i / size + dy;
                    if (nx < 0 || ny < 0 || nx >= size || ny >= size) continue;
                    size_t j = static_cast<size_t>(ny) * size + nx;
                    if (bits[j] && !seen[j]) {
                        seen[j] = 1;
                        stack.push_back(static_cast<int>(j));
                    }
                }
        }
    }
    return count;
}

struct Cell {
    Bits image;  // 1 = black
    Bits mask;   // 1 = black (inside)
};

// The silhouette of a white and a black piece of one kind (they share it):
// half a pixel of ink in either drawing; where that splits a piece into parts
// (a queen's crown balls at small sizes), thinner ink joins them.
Bits Silhouette(const Coverage& a, const Coverage& b, int cell) {
    const size_t n = static_cast<size_t>(cell) * cell;
    Bits mask(n, 0);
    for (float threshold : {0.5f, 0.35f, 0.2f}) {
        for (size_t i = 0; i < n; ++i) mask[i] = std::max(a.alpha[i], b.alpha[i]) >= threshold;
        mask = FillHoles(mask, cell);
        if (Components(mask, cell) == 1) break;
    }
    // The top row and the outer columns stay white: a stored column must start
    // white, and neighbouring pieces must never touch.
    for (int x = 0; x < cell; ++x) mask[static_cast<size_t>(x)] = 0;
    for (int y = 0; y < cell; ++y) {
        mask[static_cast<size_t>(y) * cell] = 0;
        mask[static_cast<size_t>(y) * cell + cell - 1] = 0;
    }
    return mask;
}

Cell DrawPiece(const Coverage& cov, const Bits& mask, int cell, bool white) {
    Cell c;
    const size_t n = static_cast<size_t>(cell) * cell;
    c.mask = mask;
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < cell && y < cell && c.mask[static_cast<size_t>(y) * cell + x];
    };
    auto border = [&](int x, int y) { return !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1); };
    c.image.assign(n, 0);
    // Thin lines cover little of a small pixel; a fixed threshold would drop
    // them at large sizes or blacken a small piece. Small cells need more ink.
    const float darkLine = cell < 29 ? 0.55f : 0.45f;
    const float lightLine = cell < 29 ? 0.6f : cell < 45 ? 0.42f : 0.4f;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
            size_t i = static_cast<size_t>(y) * cell + x;
            if (!c.mask[i]) continue;
            if (white) {
                c.image[i] = border(x, y) || cov.dark[i] >= darkLine;
            } else {
                // Light lines never on the two outermost pixel rings: a light
                // line beside a one-pixel outline reads as a white piece.
                bool nearBorder = border(x, y);
                for (int dy = -1; dy <= 1 && !nearBorder; ++dy)
                    for (int dx = -1; dx <= 1 && !nearBorder; ++dx) nearBorder = !in(x + dx, y + dy);
                const float light = cov.alpha[i] - cov.dark[i];
                c.image[i] = nearBorder || light < lightLine;
            }
        }
    if (!white) {
        // A white pixel with no white neighbour is a speck, not a line.
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x) {
                size_t i = static_cast<size_t>(y) * cell + x;
                if (!c.mask[i] || c.image[i]) continue;
                bool alone = true;
                for (int dy = -1; dy <= 1 && alone; ++dy)
                    for (int dx = -1; dx <= 1 && alone; ++dx) {
                        if (dx == 0 && dy == 0) continue;
                        int nx = x + dx, ny = y + dy;
                        alone = !in(nx, ny) || c.image[static_cast<size_t>(ny) * cell + nx];
                    }
                if (alone) c.image[i] = 1;
            }
    }
    return c;
}

std::vector<uint8_t> Encode(const Bits& sheet, int w, int h) {
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
        std::fprintf(stderr, "usage: gen_pieces SVG_DIR OUT.cpp [PREVIEW_DIR]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer svgs[12];
    for (int k = 0; k < 12; ++k)
        if (!svgs[k].load(dir + "/" + kPieceFiles[k] + ".svg")) {
            std::fprintf(stderr, "cannot load %s/%s.svg\n", argv[1], kPieceFiles[k]);
            return 1;
        }
    // The extent of the whole set on its canvas, measured once at high
    // resolution: every size then uses the same scale for all pieces.
    double left = kCanvas, right = 0, top = kCanvas, bottom = 0;
    {
        const int probe = 450;
        for (QSvgRenderer& svg : svgs) {
            QImage img(probe, probe, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter p(&img);
            svg.render(&p, QRectF(0, 0, probe, probe));
            p.end();
            for (int y = 0; y < probe; ++y)
                for (int x = 0; x < probe; ++x)
                    if (qAlpha(img.pixel(x, y)) > 127) {
                        double ux = (x + 0.5) * kCanvas / probe, uy = (y + 0.5) * kCanvas / probe;
                        left = std::min(left, ux);
                        right = std::max(right, ux);
                        top = std::min(top, uy);
                        bottom = std::max(bottom, uy);
                    }
        }
    }
    const double centreX = kCanvas / 2;  // the drawings are symmetric about it

    QString out;
    QTextStream ts(&out);
    ts << "// Generated by tools/pieces/gen_pieces from a vector piece set\n"
          "// (see tools/pieces/LICENSE-NOTE.md). Do not edit by hand.\n"
          "#include \"board/piece_data.h\"\n\nnamespace {\n\n";
    QStringList table;
    for (const SetInfo& set : kSets) {
        const int cell = set.cell;
        // The set fills about 86 % of the cell height and leaves at least one
        // clear pixel column on each side; the bottom margin is a little
        // larger than the top one so that the pieces stand on the square.
        const double halfWidth = std::max(centreX - left, right - centreX);
        const double unit = std::min(0.86 * cell / (bottom - top), (cell / 2.0 - 1.6) / halfWidth);
        const double baseline = cell - std::max(1.0, 0.06 * cell);
        const double ox = cell / 2.0 - centreX * unit;
        const double oy = baseline - bottom * unit;
        const int w = 12 * cell, h = 2 * cell;
        Bits sheet(static_cast<size_t>(w) * h, 0);
        for (int k = 0; k < 6; ++k) {
            // The pawn is drawn a little smaller than the drawing has it, so
            // that it stays clearly shorter than the king after rounding.
            const double u = k == 0 ? unit * 0.95 : unit;
            const double px = cell / 2.0 - centreX * u, py = baseline - bottom * u;
            const Coverage cov[2] = {Render(svgs[k], cell, u, px, py), Render(svgs[k + 6], cell, u, px, py)};
            const Bits mask = Silhouette(cov[0], cov[1], cell);
            for (int colour = 0; colour < 2; ++colour) {
                Cell c = DrawPiece(cov[colour], mask, cell, colour == 0);
                const int x0 = (k + 6 * colour) * cell;
                for (int y = 0; y < cell; ++y)
                    for (int x = 0; x < cell; ++x) {
                        size_t i = static_cast<size_t>(y) * cell + x;
                        sheet[static_cast<size_t>(y) * w + x0 + x] = c.image[i];
                        sheet[static_cast<size_t>(y + cell) * w + x0 + x] = c.mask[i];
                    }
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
            if (i % 32 == 0) ts << "\n";
            ts << runs[i] << ",";
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
