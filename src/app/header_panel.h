// The header of the loaded game above the notation, in three lines: the
// players with their ratings and the result; event, site, round and date;
// the opening (ECO code and name) and the annotator. A line too long for the
// panel ends with "…" and the panel's tooltip holds all of it; the players'
// line keeps its ratings and the result: it takes a second line when one is
// free, else the names are shortened.
#pragma once

#include <QLabel>
#include <QString>

struct TGameHeader;

// The panel's lines for a header (empty lines left out); none without a game.
QStringList HeaderPanelLines(const TGameHeader& header);

// The parts of the players' line: names, ratings (" (2700)") and result ("   1-0").
struct THeaderPlayers {
    QString White, WhiteElo, Black, BlackElo, Result;
};
THeaderPlayers HeaderPlayers(const TGameHeader& header);

class THeaderPanel : public QLabel {
public:
    explicit THeaderPanel(QWidget* parent = nullptr);
    void Show(const TGameHeader& header, bool haveGame);
    const QStringList& Lines() const { return lines_; }
    // Height of the three lines in the current font.
    int PanelHeight() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Fill();
    QStringList PlayerLines(int room) const;
    QStringList lines_;
    THeaderPlayers players_;
};
