#include "app/status_line.h"

#include <QLabel>
#include <QLocale>
#include <QStatusBar>


QString NumberText(std::int64_t n) { return QLocale().toString(static_cast<qlonglong>(n)); }

QString GamesText(std::int64_t games) {
    return (games == 1 ? QStringLiteral("%1 game") : QStringLiteral("%1 games")).arg(NumberText(games));
}

TStatusLine::TStatusLine(QStatusBar* bar, QObject* parent) : QObject(parent), bar_(bar) {
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    file_ = new QLabel(bar);
    file_->setObjectName(QStringLiteral("StatusFile"));
    file_->setAccessibleName(QStringLiteral("Open file"));
    file_->setTextInteractionFlags(Qt::NoTextInteraction);
    progress_ = new QLabel(bar);
    progress_->setObjectName(QStringLiteral("StatusProgress"));
    progress_->setAccessibleName(QStringLiteral("Background work"));
    game_ = new QLabel(bar);
    game_->setObjectName(QStringLiteral("StatusGame"));
    game_->setAccessibleName(QStringLiteral("Shown game"));
    bar->addPermanentWidget(file_, 1);
    bar->addPermanentWidget(progress_);
    bar->addPermanentWidget(game_);
}

void TStatusLine::Tell(const QString& text) {
    last_ = text;
    bar_->showMessage(text);
}

void TStatusLine::GameShown(std::int32_t gameIndex, std::int32_t games) {
    const QLocale locale;
    game_->setText(games > 0 && gameIndex >= 0 && gameIndex < games
                       ? QStringLiteral("Game %1 of %2").arg(NumberText(gameIndex + 1), NumberText(games))
                       : QString());
}

void TStatusLine::SearchProgress(int percent, std::int32_t hits, bool cancelled, bool incomplete) {
    const QLocale locale;
    if (percent >= 0) {
        search_ = QStringLiteral("Searching %1%, %2 found (Esc cancels)").arg(percent).arg(locale.toString(hits));
    } else {
        search_.clear();
        const QString found = (hits == 1 ? QStringLiteral("%1 game found") : QStringLiteral("%1 games found"))
                                  .arg(locale.toString(hits));
        if (incomplete) Tell(QStringLiteral("Search incomplete (the file changed while it was read): ") + found);
        else if (cancelled) Tell(QStringLiteral("Search cancelled: ") + found);
        else if (hits == 0) Tell(QStringLiteral("No game found"));
        else Tell(found + QStringLiteral(" (Esc shows all games)"));
    }
    UpdateProgress();
}

void TStatusLine::SortProgress(TGameColumn column, int percent) {
    const QString name = QString::fromLatin1(GameColumnName(column).data(),
                                             static_cast<qsizetype>(GameColumnName(column).size())).toLower();
    sort_ = percent >= 0 && percent < 100 ? QStringLiteral("Sorting by %1 %2%").arg(name).arg(percent) : QString();
    UpdateProgress();
}

void TStatusLine::ScanProgress(int percent) {
    const QString text = percent >= 0 ? QStringLiteral("Reading the file: %1%").arg(std::min(percent, 100)) : QString();
    if (text == scan_) return;
    scan_ = text;
    // The message area needs no new layout, which cannot happen while the
    // scan holds the event loop: painted at once.
    if (text.isEmpty()) bar_->showMessage(last_);
    else bar_->showMessage(text);
    bar_->repaint();
}

void TStatusLine::TreeProgress(int percent) {
    tree_ = percent >= 0 ? QStringLiteral("Opening tree: %1% of games read").arg(std::min(percent, 100)) : QString();
    UpdateProgress();
}

void TStatusLine::FileShown(const QString& text) { file_->setText(text); }
QString TStatusLine::FileText() const { return file_->text(); }

QString TStatusLine::ProgressText() const { return progress_->text(); }
QString TStatusLine::GameText() const { return game_->text(); }

void TStatusLine::UpdateProgress() {
    QString text = search_;
    for (const QString* job : {&sort_, &tree_})
        if (!job->isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("   ")) + *job;
    progress_->setText(text);
}
