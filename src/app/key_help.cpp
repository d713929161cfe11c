#include "app/key_help.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "version.h"

namespace {

struct TKeyRow {
    const char* keys;
    const char* what;
};

constexpr TKeyRow kKeys[] = {
    {"Q, Num 7, Home", "To the start of the game (Home in the game list: its first game)"},
    {"A, Num 4, Left", "One move back"},
    {"D, Num 6, Right", "One move forward"},
    {"S, Num 5", "One move forward, choosing the variation where there are several"},
    {"Z or Y, Num 1, End", "To the end of the main line (End in the game list: its last game)"},
    {"E, Num 9", "Back to the previous match (a \"MATCH\" comment or a search hit)"},
    {"C, Num 3", "On to the next match"},
    {"W, Num 8", "Previous game in the list"},
    {"X, Num 2", "Next game in the list"},
    {"P", "Autoplay on or off: the game steps on by itself (interval in the Game menu); any other key stops it"},
    {"Up, Down", "Move in the game list"},
    {"Page Up, Page Down, Home, End", "In the game list: move by a page or to either end, and load the game"},
    {"Enter, double click", "Load the selected game"},
    {"Mouse wheel", "Over the board or the notation: moves back and forward"},
    {"F", "Flip the board"},
    {"Ctrl+F", "Find the position on the board in every game of the file"},
    {"Ctrl+T", "Find a text in the players, event, site or year"},
    {"Esc", "Cancel a running search, or show all games again"},
    {"Ctrl+O", "Open a file (a file dropped on the window opens too)"},
    {"Ctrl+1 ... Ctrl+9", "Open a recent file"},
    {"Ctrl+V", "Open the PGN games or the FEN position on the clipboard (or dropped as text)"},
    {"Ctrl+E", "Start or stop the engine's analysis of the shown position (Game > Analyse)"},
    {"Ctrl++, Ctrl+-, Ctrl+0", "Larger, smaller, normal notation font"},
    {"Click on a column title", "Sort the games by it; again: the other way round"},
    {"Right click on the titles", "Choose the columns"},
    {"F1", "This list"},
};

}  // namespace

QString KeyHelpHtml() {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">");
    for (const TKeyRow& r : kKeys)
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(QString::fromUtf8(r.keys).toHtmlEscaped(), QString::fromUtf8(r.what).toHtmlEscaped());
    return html + QStringLiteral("</table><p>The keypad keys work with Num Lock on. The letter keys act by their "
                                 "place on the keyboard, whatever its layout.</p>");
}

namespace {

// A window of text with a Close button, one of each name per main window.
void ShowTextWindow(QWidget* owner, const QString& name, const QString& title, const QString& html, QSize size) {
    auto* dialog = owner->findChild<QDialog*>(name);
    if (!dialog) {
        dialog = new QDialog(owner);
        dialog->setObjectName(name);
        dialog->setWindowTitle(title);
        auto* layout = new QVBoxLayout(dialog);
        auto* text = new QTextBrowser(dialog);
        text->setAccessibleName(name);
        text->setOpenExternalLinks(true);
        text->setHtml(html);
        layout->addWidget(text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        layout->addWidget(buttons);
        dialog->resize(size);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void ShowKeyHelp(QWidget* owner) {
    ShowTextWindow(owner, QStringLiteral("KeyHelp"), QStringLiteral("Keys of Quarzel PGN Viewer"), KeyHelpHtml(),
                   QSize(560, 520));
}

QString AboutHtml() {
    return QString::fromUtf8(
        "<h3>Quarzel PGN Viewer " QUARZEL_VERSION "</h3>"
        "<p>A viewer for chess games in PGN files and .ccf game databases.</p>"
        "<p><b>Licence:</b> GNU General Public License, version 3 or (at your option) any later version "
        "(GPL-3.0-or-later); the full text is in the file LICENSE that comes with the program. There is no "
        "warranty, to the extent permitted by law.</p>"
        "<p><b>Credits:</b> the built-in piece sets are rendered from the \"cburnett\" vector pieces "
        "(as shipped in Debian's pychess package, GPL-3+). The text is set in the system's fonts "
        "(DejaVu Sans where the classic font is missing).</p>");
}

void ShowAbout(QWidget* owner) {
    ShowTextWindow(owner, QStringLiteral("About"), QStringLiteral("About Quarzel PGN Viewer"), AboutHtml(),
                   QSize(460, 300));
}
