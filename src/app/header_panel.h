// The header of the loaded game above the notation, in three lines: the
// players with their ratings and the result; event, site, round and date;
// the opening and the annotator. The opening is the one the game's moves
// reach (search/opening_names.h), else what its ECO, Opening and Variation
// tags say. A line too long for the panel ends with "…" and the panel's
// tooltip holds all of it; the players' line keeps its ratings and the
// result: it takes a second line when one is free, else the names are
// shortened.
#pragma once

#include <QLabel>
#include <QString>

struct TGameHeader;

// The panel's lines for a header and the opening the moves reach ("B90
// Sicilian Defense: Najdorf Variation"; empty: none).
QStringList HeaderPanelLines(const TGameHeader& header, const QString& opening = {});

// The parts of the players' line: names, ratings (" (2700)") and result ("   1-0").
struct THeaderPlayers {
    QString White, WhiteElo, Black, BlackElo, Result;
};
THeaderPlayers HeaderPlayers(const TGameHeader& header);

class THeaderPanel : public QLabel {
public:
    explicit THeaderPanel(QWidget* parent = nullptr);
    void Show(const TGameHeader& header, bool haveGame, const QString& opening = {});
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
