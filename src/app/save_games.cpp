#include "app/save_games.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <QString>
#include <memory>

#include "collection/qt/game_list.h"
#include "notation/game_writer.h"
#include "platform/platform.h"

namespace {

// Below this many games the save is over before a progress dialog would show.
constexpr int kProgressGames = 5000;

void Tell(QWidget* window, const QString& text) {
    Platform::Get().ShowMessage(window, text, TMessageKind::Information);
}

}  // namespace

void SaveListedGames(QWidget* window, TGameList& list) {
    if (!list.FileOpen() || list.RowCount() == 0) {
        Tell(window, QStringLiteral("There are no listed games to save."));
        return;
    }
    const QString path = Platform::Get().ChooseSaveFile(
        window, QStringLiteral("Save listed games as"), QFileInfo(QString::fromStdString(list.FileName())).absolutePath(),
        QStringLiteral("PGN files (*.pgn *.pgn.gz *.pgn.bz2 *.pgn.xz *.pgn.zst);;All files (*)"));
    if (!path.isEmpty()) SaveListedGamesTo(window, list, path);
}

bool SaveListedGamesTo(QWidget* window, TGameList& list, const QString& path) {
    const std::string target = path.toStdString();
    // The dialog has asked about replacing another file already.
    const std::string refusal = SaveTargetRefusal(list.FileName(), target, true);
    if (!refusal.empty()) {
        Tell(window, QStringLiteral("The games cannot be saved: %1.").arg(QString::fromStdString(refusal)));
        return false;
    }
    const int rows = list.RowCount();
    std::unique_ptr<QProgressDialog> progress;
    if (rows >= kProgressGames) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Saving %1 games...").arg(rows),
                                                     QStringLiteral("Cancel"), 0, rows, window);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
    }
    try {
        TGameWriter writer(list.Core(), target);
        for (int row = 0; row < rows; ++row) {
            if (progress && row % 1000 == 0) {
                progress->setValue(row);
                if (progress->wasCanceled()) return false;  // the writer leaves nothing behind
            }
            writer.Add(list.GameIndexOfRow(row));
        }
        writer.Finish();
    } catch (const std::exception& e) {
        Tell(window, QStringLiteral("The games could not be saved: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    return true;
}
