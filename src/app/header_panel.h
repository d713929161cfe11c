// The header of the loaded game above the notation, in three lines: the
// players with their ratings and the result; event, site, round and date;
// the opening (ECO code and name) and the annotator. A line too long for the
// panel ends with "…" and the panel's tooltip holds all of it.
#pragma once

#include <QLabel>
#include <QString>

struct TGameHeader;

// The panel's lines for a header (empty lines left out); none without a game.
QStringList HeaderPanelLines(const TGameHeader& header);

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
    QStringList lines_;
};
