#include "cli/notation_picture.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPixmap>

#include <memory>

#include "app/main_window.h"
#include "cli/game_reading.h"
#include "notation/qt/notation.h"

bool RenderNotationPicture(const std::string& pgnText, int width, int height, bool german, bool headline,
                           const std::string& outFile, std::string& error) {
    // No display is needed: the picture is drawn offscreen unless told otherwise.
    auto app = cli::StartOffscreenApp();
    // The main window sets the notation's fonts, colours and size.
    TMainWindow form;
    // Laid out once first, so that the window's panes do not size the
    // notation again; then the size of the fixed layout, or the one asked for.
    (void)form.grab();
    TNotation* notation = form.Notation;
    notation->SetEnglish(!german);
    notation->SetHeadline(headline);
    notation->LoadGame(pgnText);
    if (const std::string failed = cli::LastWidgetError(); !failed.empty()) {
        error = failed;  // the game could not be shown (too large, no memory)
        return false;
    }
    // After the load: a game with clocks or evaluations opens the graph pane,
    // and the window's panes size the notation again.
    notation->resize(width > 0 ? width : 329, height > 0 ? height : 265);
    const QImage image = notation->grab().toImage();
    if (image.isNull() || !image.save(QFile::decodeName(outFile.c_str()), "PNG")) {
        error = "cannot write " + outFile;
        return false;
    }
    return true;
}
