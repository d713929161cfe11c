// The game list's sorting and its columns: the sort runs off the GUI thread
// for a PGN file (a database's headers are read a slice at a time between
// events), and the new order replaces the old one in one step, the selected
// game staying selected.
#include <QDataStream>
#include <QHeaderView>
#include <QIODevice>
#include <QMenu>
#include <QTimer>

#include "collection/qt/game_list.h"
#include "collection/qt/game_table_model.h"

namespace {

constexpr std::size_t kListSlice = 2000;  // database headers read per event
constexpr quint32 kStateMagic = 0x51474c31;  // "QGL1"
constexpr qint32 kColumnsBeforeOpening = 12;  // states that do not say how many columns they knew

struct TDefaultColumn {
    TGameColumn column;
    int width;  // 0: hidden
};
constexpr TDefaultColumn kDefaults[kGameColumnCount] = {
    {TGameColumn::Number, 58}, {TGameColumn::White, 116}, {TGameColumn::Black, 116},
    {TGameColumn::WhiteElo, 0}, {TGameColumn::BlackElo, 0}, {TGameColumn::Result, 40},
    {TGameColumn::Date, 72},  {TGameColumn::Event, 130},  {TGameColumn::Site, 0},
    {TGameColumn::Round, 0},  {TGameColumn::ECO, 40},     {TGameColumn::Moves, 0},
    {TGameColumn::Opening, 0},
};

}  // namespace

void TGameList::DefaultColumns() {
    QHeaderView* header = horizontalHeader();
    for (const TDefaultColumn& d : kDefaults) {
        const int c = static_cast<int>(d.column);
        header->moveSection(header->visualIndex(c), c);
        header->resizeSection(c, d.width > 0 ? d.width : 60);
        setColumnHidden(c, d.width == 0);
    }
    fitPending_ = true;
    if (isVisible()) FitColumns();
}

QByteArray TGameList::ColumnState() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kStateMagic << horizontalHeader()->saveState() << static_cast<qint32>(sortColumn_) << descending_
        << static_cast<qint32>(kGameColumnCount);
    return bytes;
}

void TGameList::RestoreColumnState(const QByteArray& state) {
    QDataStream in(state);
    quint32 magic = 0;
    QByteArray header;
    qint32 column = 0;
    bool descending = false;
    in >> magic >> header >> column >> descending;
    if (in.status() != QDataStream::Ok || magic != kStateMagic || column < 0 || column >= kGameColumnCount) return;
    // Columns added since the state was saved (the Opening column) start hidden.
    qint32 known = kColumnsBeforeOpening;
    in >> known;
    if (in.status() != QDataStream::Ok || known < 0 || known > kGameColumnCount) known = kColumnsBeforeOpening;
    fitPending_ = false;
    if (!horizontalHeader()->restoreState(header)) DefaultColumns();
    else
        for (int c = known; c < kGameColumnCount; ++c) setColumnHidden(c, true);
    // A header state from a table of another shape leaves every column hidden.
    bool anyShown = false;
    for (int c = 0; c < kGameColumnCount; ++c) anyShown = anyShown || !isColumnHidden(c);
    if (!anyShown) DefaultColumns();
    SortBy(static_cast<TGameColumn>(column), descending);
}

void TGameList::HeaderClicked(int section) {
    if (section < 0 || section >= kGameColumnCount) return;
    const auto column = static_cast<TGameColumn>(section);
    SortBy(column, column == sortColumn_ ? !descending_ : false);
}

void TGameList::HeaderMenu(const QPoint& at) {
    QMenu menu(this);
    int shown = 0;
    for (int c = 0; c < kGameColumnCount; ++c) shown += isColumnHidden(c) ? 0 : 1;
    for (int c = 0; c < kGameColumnCount; ++c) {
        QAction* a = menu.addAction(model()->headerData(c, Qt::Horizontal).toString());
        a->setCheckable(true);
        a->setChecked(!isColumnHidden(c));
        a->setEnabled(isColumnHidden(c) || shown > 1);  // the last column stays
        connect(a, &QAction::toggled, this, [this, c](bool on) {
            setColumnHidden(c, !on);
            if (on && columnWidth(c) < 20) setColumnWidth(c, 60);
        });
    }
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("Default columns")), &QAction::triggered, this, &TGameList::DefaultColumns);
    menu.exec(horizontalHeader()->mapToGlobal(at));
}

void TGameList::SortBy(TGameColumn column, bool descending) {
    sortColumn_ = column;
    descending_ = descending;
    const bool fileOrder = column == TGameColumn::Number && !descending;
    horizontalHeader()->setSortIndicator(fileOrder ? -1 : static_cast<int>(column),
                                         descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    model_->SetSortColumn(static_cast<int>(column), descending);
    // The arrow takes room of its own: the name beside it is never cut.
    if (!fileOrder) {
        QHeaderView* header = horizontalHeader();
        const int c = static_cast<int>(column);
        header->resizeSection(c, std::max(header->sectionSize(c), header->sectionSizeHint(c)));
    }
    StartSort();
}

void TGameList::Resort() { StartSort(); }

void TGameList::CancelSort() {
    ++sortGeneration_;
    sortCancel_ = true;
    JoinSortThread();
    listSort_.reset();
    if (sortRunning_) {
        sortRunning_ = false;
        emit SortProgress(sortColumn_, -1);
    }
}

void TGameList::JoinSortThread() {
    if (sortThread_.joinable()) sortThread_.join();
}

void TGameList::StartSort() {
    CancelSort();
    if (sortColumn_ == TGameColumn::Number && !descending_) {
        ShowOrder({});
        return;
    }
    std::vector<std::int32_t> games;
    games.reserve(static_cast<std::size_t>(core_.RowCount()));
    for (std::int32_t r = 0; r < core_.RowCount(); ++r) games.push_back(core_.GameIndexOfRow(r));
    if (games.size() < 2) {
        ShowOrder({});
        return;
    }
    const std::uint64_t generation = ++sortGeneration_;
    sortCancel_ = false;
    sortRunning_ = true;
    emit SortProgress(sortColumn_, 0);
    auto state = std::make_unique<TListSortState>(TListSortState{SortSourceOf(core_, std::move(games)),
                                                                 TSortKeys(sortColumn_), 0});
    if (state->source.Database) {
        listSort_ = std::move(state);
        QTimer::singleShot(0, this, [this, generation] { ContinueListSort(generation); });
        return;
    }
    // The file's keys are read on a thread of its own; the GUI goes on.
    sortThread_ = std::thread([this, generation, descending = descending_, s = std::move(state)]() mutable {
        int last = -1;
        const bool done = ReadFileSortKeys(s->source, s->keys, [&](int percent) {
            if (sortCancel_) return false;
            if (percent != last && percent < 100) {
                last = percent;
                QMetaObject::invokeMethod(this, [this, generation, percent] {
                    if (generation == sortGeneration_) emit SortProgress(sortColumn_, percent);
                }, Qt::QueuedConnection);
            }
            return true;
        });
        if (!done || sortCancel_) return;
        std::vector<std::int32_t> positions = SortedPositions(s->source.Games, s->keys, descending);
        QMetaObject::invokeMethod(this, [this, generation, p = std::move(positions)]() mutable {
            ApplySort(generation, std::move(p));
        }, Qt::QueuedConnection);
    });
}

void TGameList::ContinueListSort(std::uint64_t generation) {
    if (generation != sortGeneration_ || !listSort_) return;
    TListSortState& s = *listSort_;
    if (!Drawing()) {
        // The database is at work: try again a little later.
        QTimer::singleShot(50, this, [this, generation] { ContinueListSort(generation); });
        return;
    }
    const std::size_t to = std::min(s.source.Games.size(), s.next + kListSlice);
    ReadListSortKeys(core_, s.source, s.next, to, s.keys);
    s.next = to;
    if (s.next < s.source.Games.size()) {
        emit SortProgress(sortColumn_, static_cast<int>(s.next * 100 / s.source.Games.size()));
        QTimer::singleShot(0, this, [this, generation] { ContinueListSort(generation); });
        return;
    }
    std::vector<std::int32_t> positions = SortedPositions(s.source.Games, s.keys, descending_);
    listSort_.reset();
    ApplySort(generation, std::move(positions));
}

void TGameList::ApplySort(std::uint64_t generation, std::vector<std::int32_t> positions) {
    if (generation != sortGeneration_) return;
    JoinSortThread();
    sortRunning_ = false;
    // Positions index the core's rows as they were when the sort began; rows
    // appended since (a search still finding games) follow at the end.
    for (std::int32_t r = static_cast<std::int32_t>(positions.size()); r < core_.RowCount(); ++r)
        positions.push_back(r);
    ShowOrder(std::move(positions));
    emit SortProgress(sortColumn_, 100);
}

void TGameList::ShowOrder(std::vector<std::int32_t> order) {
    if (order.empty() && order_.empty()) return;
    const std::int32_t selectedGame = GameIndexOfRow(ItemIndex());
    const bool hadFocus = hasFocus();
    model_->BeginReset();
    order_ = std::move(order);
    model_->EndReset();
    if (selectedGame >= 0) SetItemIndex(RowOfGame(selectedGame));
    if (hadFocus) setFocus();
}
