#include "app/search_controller.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QWidget>
#include <unordered_set>

#include "app/status_line.h"
#include "collection/qt/game_list.h"
#include "notation/notation_core.h"
#include "platform/platform.h"
#include "rules/chess960.h"
#include "search/game_search.h"

TSearchController::TSearchController(TSearchContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)), search_(new TGameSearch) {}

TSearchController::~TSearchController() {
    search_->Cancel();
    search_->Wait();
}

bool TSearchController::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (ctrl && key == Qt::Key_F) {
        if (modifiers & Qt::ShiftModifier) AskAndFilter();
        else SearchCurrentPosition();
        return true;
    }
    if (ctrl && key == Qt::Key_T) {
        AskAndSearchText();
        return true;
    }
    if (key == Qt::Key_Escape && (running_ || filtered_)) {
        if (running_) Cancel();
        else ShowAllGames();
        return true;
    }
    return false;
}

void TSearchController::SearchCurrentPosition() {
    TSearchTarget target;
    if (CurrentTarget(target)) SearchTarget(target);
}

bool TSearchController::CurrentTarget(TSearchTarget& target) {
    TNotationCore& core = *context_.Notation;
    std::string error;
    // Through FEN text: the same checks as a FEN given on the command line.
    if (TargetFromFEN(PositionToFEN(core.CurrentPosition(), core.State, 1, core.Game.CastlingRooks), target, error))
        return true;
    Platform::Get().ShowMessage(context_.Window,
                                QStringLiteral("This position cannot be searched: ") + QString::fromStdString(error) +
                                    QStringLiteral("."),
                                TMessageKind::Information);
    return false;
}

void TSearchController::AskAndSearchText() {
    QInputDialog dialog(context_.Window);
    dialog.setWindowTitle(QStringLiteral("Search headers"));
    dialog.setLabelText(QStringLiteral("Text in White, Black, Event, Site or year:"));
    dialog.setTextValue(lastText_);
    if (Platform::Get().ExecModal(&dialog) != QDialog::Accepted) return;
    const QString text = dialog.textValue().trimmed();
    if (text.isEmpty()) return;
    lastText_ = text;
    SearchText(text);
}

void TSearchController::SearchTarget(const TSearchTarget& target) {
    if (SearchRecords(target)) return;
    if (!Begin(true)) return;
    std::string error;
    if (!search_->StartPosition(context_.GameList->Core(), target, error)) NotStarted(error);
}

void TSearchController::SearchText(const QString& text) {
    if (!Begin(false)) return;
    std::string error;
    if (!search_->StartText(context_.GameList->Core(), text.toUtf8().toStdString(), error)) NotStarted(error);
}

bool TSearchController::Begin(bool positionSearch) {
    TGameList& list = *context_.GameList;
    if (!list.FileOpen()) {
        Platform::Get().ShowMessage(context_.Window, QStringLiteral("Open a file of games to search first."),
                                    TMessageKind::Information);
        return false;
    }
    search_->Cancel();
    search_->Wait();
    const std::uint64_t generation = ++generation_;
    KeepTitleBase();
    plies_.clear();
    hitGames_ = 0;
    unread_ = 0;
    percent_ = 0;
    positionSearch_ = positionSearch;
    filterText_.clear();
    seen_.reset();
    cancelled_ = incomplete_ = false;
    running_ = true;
    filtered_ = true;
    list.Core().ClearRows();
    list.RowsChanged();

    // The search reports from its threads; everything it says is handed to
    // the GUI thread, and dropped there once a newer search has begun.
    auto post = [this, generation](auto fn) {
        QMetaObject::invokeMethod(
            this, [this, generation, fn]() { if (generation == generation_) fn(); }, Qt::QueuedConnection);
    };
    search_->OnHits = [this, post](const std::vector<TSearchHit>& hits) { post([this, hits] { Hits(hits); }); };
    search_->OnProgress = [this, post](int percent) {
        post([this, percent] {
            percent_ = percent;
            UpdateTitle();
        });
    };
    search_->OnFinished = [this, post](bool cancelled) { post([this, cancelled] { Finished(cancelled); }); };
    UpdateTitle();
    return true;
}

void TSearchController::KeepTitleBase() {
    if (filtered_) return;
    // "Quarzel PGN Viewer ...   [path]   " without the count of games.
    const QString title = context_.Window->windowTitle();
    const qsizetype gap = title.lastIndexOf(QStringLiteral("   "));
    titleBase_ = gap >= 0 ? title.left(gap + 3) : title + QStringLiteral("   ");
}

void TSearchController::Hits(const std::vector<TSearchHit>& hits) {
    TGameList& list = *context_.GameList;
    const std::int32_t loaded = context_.LoadedGame();
    std::vector<std::int32_t> games;
    games.reserve(hits.size());
    int currentRow = -1;
    for (const TSearchHit& h : hits) {
        if (seen_ && seen_->Seen(h.Key)) continue;  // a duplicate of a listed game
        if (h.Game == loaded) currentRow = list.RowCount() + static_cast<int>(games.size());
        games.push_back(h.Game);
        if (positionSearch_) plies_[h.Game] = h.Plies;
    }
    const bool first = hitGames_ == 0;
    list.AppendRows(games);
    hitGames_ += static_cast<std::int32_t>(games.size());
    if (currentRow >= 0 && list.ItemIndex() < 0) list.SetItemIndex(currentRow);
    // The shown game is not among the hits: the first hit is shown instead.
    if (first && currentRow < 0 && list.RowCount() > 0) emit FirstGameWanted();
    UpdateTitle();
}

void TSearchController::NotStarted(const std::string& error) {
    Finished(false);
    incomplete_ = true;
    UpdateTitle();
    context_.Status->SearchProgress(-1, hitGames_, false, true);
    Platform::Get().ShowMessage(context_.Window,
                                QStringLiteral("The search could not read the file: ") +
                                    QString::fromStdString(error) + QStringLiteral("."),
                                TMessageKind::Information);
}

void TSearchController::Finished(bool cancelled) {
    search_->Wait();
    running_ = false;
    cancelled_ = cancelled;
    incomplete_ = search_->Incomplete();
    unread_ = static_cast<std::int64_t>(search_->Stats().Unread);
    UpdateTitle();
    context_.Status->SearchProgress(-1, hitGames_, cancelled, incomplete_);
    TellFilter();
    context_.GameList->Resort();  // a sorted list sorts its hits
}

void TSearchController::Cancel() {
    if (!running_) return;
    // The workers give up the game in hand at once and hand on every hit
    // they had found; those are listed now, before the rest is dropped.
    search_->Cancel();
    search_->Wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    ++generation_;
    running_ = false;
    cancelled_ = true;
    UpdateTitle();
    context_.Status->SearchProgress(-1, hitGames_, true);
    TellFilter();
    context_.GameList->Resort();
}

void TSearchController::ShowAllGames() {
    Cancel();
    TGameList& list = *context_.GameList;
    list.Core().ShowAllRows();
    list.RowsChanged();
    const std::int32_t loaded = context_.LoadedGame();
    if (loaded >= 0) list.SetItemIndex(list.RowOfGame(loaded));
    filtered_ = false;
    filterText_.clear();
    plies_.clear();
    hitGames_ = 0;
    context_.Window->setWindowTitle(titleBase_ + GamesText(list.GameCount()));
}

void TSearchController::Reset() {
    search_->Cancel();
    search_->Wait();
    ++generation_;
    running_ = filtered_ = cancelled_ = false;
    filterText_.clear();
    plies_.clear();
    hitGames_ = 0;
}

void TSearchController::UpdateTitle() {
    QString title = titleBase_ + QStringLiteral("%1 of %2").arg(NumberText(hitGames_), GamesText(context_.GameList->GameCount()));
    if (running_) {
        title += QString::asprintf("   (searching %d%%, Esc cancels)", percent_);
        context_.Status->SearchProgress(percent_, hitGames_, false);
    }
    else if (cancelled_) title += QStringLiteral("   (search cancelled)");
    else if (incomplete_) title += QStringLiteral("   (search incomplete: the file changed)");
    else if (unread_ > 0) title += QString::asprintf("   (%lld too large to search)", static_cast<long long>(unread_));
    else if (!filterText_.isEmpty()) title += QStringLiteral("   (filter: %1)").arg(filterText_);
    context_.Window->setWindowTitle(title);
}

THitTest TSearchController::HitTest() const {
    const auto it = plies_.find(context_.LoadedGame());
    if (it == plies_.end()) return {};
    // The hits are plies of the main line: find those moves of the loaded game.
    std::unordered_set<const TMoveNode*> nodes;
    const TNotationCore& core = *context_.Notation;
    std::int32_t ply = 0;
    size_t next = 0;
    const std::vector<std::int32_t>& plies = it->second;
    for (const TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m && next < plies.size(); m = m->Next) {
        ++ply;
        while (next < plies.size() && plies[next] < ply) ++next;
        if (next < plies.size() && plies[next] == ply) nodes.insert(m);
    }
    // A hit at ply 0 makes the start a stop.
    const bool atStart = !plies.empty() && plies.front() == 0;
    if (nodes.empty() && !atStart) return {};
    return [nodes = std::move(nodes), atStart](const TNotationCore& c) {
        return c.Current ? nodes.count(c.Current) > 0 : atStart;
    };
}
