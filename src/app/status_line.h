// The window's status bar: the last message on the left, then what runs in
// the background (a search with its Esc hint, a sort), and the number of the
// shown game among the file's games on the right.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "collection/game_sort.h"

class QLabel;
class QStatusBar;

// "1 game", "1,170,000 games": numbers in the locale's form, as everywhere
// in the window.
QString GamesText(std::int64_t games);
QString NumberText(std::int64_t n);

class TStatusLine : public QObject {
    Q_OBJECT
public:
    // Fills the window's status bar.
    TStatusLine(QStatusBar* bar, QObject* parent);

    // A message for the user, kept until the next one.
    void Tell(const QString& text);
    const QString& LastMessage() const { return last_; }
    // The open file and its number of games, kept in a field of its own (a
    // menu's hints do not wipe it); empty text clears it.
    void FileShown(const QString& text);
    QString FileText() const;
    // The game shown: "Game N of M" (nothing while no file is open).
    void GameShown(std::int32_t gameIndex, std::int32_t games);
    // A search: percent while it runs (-1 when it ended), with its hits so far.
    void SearchProgress(int percent, std::int32_t hits, bool cancelled, bool incomplete = false);
    // A sort of the game table (percent as TGameList::SortProgress gives it).
    void SortProgress(TGameColumn column, int percent);
    // The scan of a file: percent while it runs, -1 when it ended. Shown at
    // once: the scan holds the event loop.
    void ScanProgress(int percent);
    // The opening tree's build: percent of the games read while it runs, -1 when it ended.
    void TreeProgress(int percent);
    QString ProgressText() const;
    QString GameText() const;

private:
    void UpdateProgress();

    QStatusBar* bar_;
    QLabel* file_;
    QLabel* progress_;
    QLabel* game_;
    QString last_;
    QString search_;
    QString sort_;
    QString tree_;
    QString scan_;
};
