// The filter as the viewer runs it: the search's own machinery (streamed
// hits, Esc, the title) with the filter's matchers.
#include <QLocale>

#include "app/filter_dialog.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "collection/qt/game_list.h"
#include "platform/platform.h"
#include "search/game_search.h"

void TSearchController::AskAndFilter() {
    TFilterDialog dialog(context_.Window);
    dialog.SetCriteria(lastFilter_);
    if (Platform::Get().ExecModal(&dialog) != QDialog::Accepted) return;
    TFilterCriteria criteria = dialog.Criteria();
    if (criteria.HasPosition && !CurrentTarget(criteria.Position)) return;
    lastFilter_ = criteria;
    if (!criteria.Any()) {
        if (filtered_) ShowAllGames();
        return;
    }
    SearchFilter(criteria);
}

void TSearchController::SearchFilter(const TFilterCriteria& criteria) {
    if (!Begin(criteria.HasPosition)) return;
    filterText_ = QString::fromStdString(criteria.Describe());
    if (criteria.NoDuplicates) seen_ = std::make_unique<TDuplicateSet>();
    UpdateTitle();
    context_.Status->Tell(QStringLiteral("Filter (%1): running").arg(filterText_));
    std::string error;
    if (!search_->StartMatcher(context_.GameList->Core(), FilterMatchers(criteria, false), criteria.HeaderOnly(), error))
        NotStarted(error);
}

void TSearchController::TellFilter() {
    if (filterText_.isEmpty() || incomplete_) return;
    const QString count = QLocale().toString(hitGames_);
    context_.Status->Tell(QStringLiteral("Filter (%1): %2 %3%4 (Esc shows all games)")
                              .arg(filterText_, count, hitGames_ == 1 ? QStringLiteral("game passes")
                                                                      : QStringLiteral("games pass"),
                                   cancelled_ ? QStringLiteral(", stopped") : QString()));
}
