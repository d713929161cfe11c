#include "collection/qt/game_list.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QTimer>

#include "collection/qt/game_table_model.h"
#include "database/database_mode.h"
#include "platform/error_text.h"
#include "platform/guarded.h"
#include "platform/platform.h"

TGameList::TGameList(QWidget* parent)
    : QTableView(parent),
      OnPGNTrace(core_.OnPGNTrace),
      BeforeCreatePGNFile(core_.BeforeCreatePGNFile),
      OnFilterRequest(core_.OnFilterRequest),
      model_(new TGameTableModel(*this)) {
    core_.OnBusyCursor = [](bool on) { Platform::Get().SetBusyCursor(on); };
    // Database mode: its messages are error boxes; its progress runs with
    // InTrace set, and rows are not drawn meanwhile.
    core_.DatabaseModeState().OnErrorMessage = [this](const std::string& text) {
        Platform::Get().ShowMessage(this, TextFromBytes(text), TMessageKind::Error);
    };
    core_.DatabaseModeState().OnBeep = [] { Platform::Get().Beep(); };
    setModel(model_);
    setItemDelegate(new TGameCellDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setFrameShape(QFrame::StyledPanel);
    // Rows of one fixed height: the view never measures rows one by one.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(itemHeight_);

    QHeaderView* header = horizontalHeader();
    header->setObjectName(QStringLiteral("HeaderControl"));
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(16);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::sectionClicked, this, &TGameList::HeaderClicked);
    connect(header, &QHeaderView::customContextMenuRequested, this, &TGameList::HeaderMenu);
    DefaultColumns();
    shownVersion_ = core_.RowsVersion();
}

TGameList::~TGameList() {
    // A list going away reports no sort given up.
    const QSignalBlocker quiet(this);
    CancelSort();
}

bool TGameList::ChoiceWatched() const { return isSignalConnected(QMetaMethod::fromSignal(&TGameList::GameChosen)); }

bool TGameList::KeysWatched() const { return isSignalConnected(QMetaMethod::fromSignal(&TGameList::KeyDown)); }

bool TGameList::Drawing() const {
    if (InTrace || const_cast<TGameListCore&>(core_).DatabaseModeState().InTrace) return false;
    return !(core_.DatabaseMode() && core_.Database()->Busy());
}

std::int32_t TGameList::GameIndexOfRow(std::int32_t Row) const {
    if (Row < 0 || Row >= core_.RowCount()) return -1;
    if (!order_.empty()) {
        if (static_cast<std::size_t>(Row) >= order_.size()) return -1;
        Row = order_[static_cast<std::size_t>(Row)];
    }
    return core_.GameIndexOfRow(Row);
}

int TGameList::RowOfGame(std::int32_t game) const {
    for (int r = 0; r < RowCount(); ++r)
        if (GameIndexOfRow(r) == game) return r;
    return -1;
}

void TGameList::RowsChanged() {
    if (core_.RowsVersion() != shownVersion_) {
        // New rows: an order sorted for the old ones means nothing now.
        const bool sorted = !order_.empty() || sortRunning_;
        CancelSort();
        model_->BeginReset();
        order_.clear();
        shownVersion_ = core_.RowsVersion();
        model_->EndReset();
        if (sorted || sortColumn_ != TGameColumn::Number || descending_) StartSort();
    }
    viewport()->update();
}

void TGameList::RefreshRows() { model_->Refresh(); }

QModelIndex TGameList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd) {
        const int row = action == MoveHome ? 0 : RowCount() - 1;
        const int column = currentIndex().isValid() ? currentIndex().column() : horizontalHeader()->logicalIndex(0);
        return row >= 0 ? model_->index(row, std::max(0, column)) : QModelIndex();
    }
    return QTableView::moveCursor(action, modifiers);
}

void TGameList::AppendRows(const std::vector<std::int32_t>& games) {
    if (games.empty()) return;
    RowsChanged();  // anything changed before is shown first
    // The rows are the games given, whatever a filter handler would say.
    auto filter = std::move(core_.OnFilterRequest);
    core_.OnFilterRequest = nullptr;
    const int first = core_.RowCount();
    model_->BeginInsert(first, first + static_cast<int>(games.size()) - 1);
    for (std::int32_t g : games) core_.AddRow(core_.RowCount(), g);
    // A sorted list shows new rows at its end until it is sorted again.
    if (!order_.empty())
        for (int r = first; r < core_.RowCount(); ++r) order_.push_back(r);
    shownVersion_ = core_.RowsVersion();
    model_->EndInsert();
    core_.OnFilterRequest = std::move(filter);
}

void TGameList::ScanFile(const std::string& FileName) {
    CancelSort();
    changeReported_ = false;
    try {
        core_.ScanFile(FileName);
    } catch (...) {
        RowsChanged();
        throw;
    }
    RowsChanged();
    NoteRead();
}

bool TGameList::OpenSource(std::shared_ptr<TByteSource> source, const std::string& name, std::string& error) {
    CancelSort();
    changeReported_ = false;
    const bool ok = core_.OpenForReading(std::move(source), name, error);
    RowsChanged();
    return ok;
}

void TGameList::GetGame(std::int32_t Index, std::int32_t& GameID, std::string& PGNGame) {
    core_.GetGame(Index, GameID, PGNGame);
    NoteRead();
}

void TGameList::NoteRead() {
    if (changeReported_ || !core_.FileChanged()) return;
    changeReported_ = true;
    // Posted: a read while rows are painted must not open a window.
    QTimer::singleShot(0, this, [this] { emit FileChanged(); });
}

void TGameList::SetItemHeight(int height) {
    if (height <= 0 || height == itemHeight_) return;
    itemHeight_ = height;
    verticalHeader()->setDefaultSectionSize(height);
}

int TGameList::ItemIndex() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), QModelIndex())) return -1;
    return current.row();
}

void TGameList::SetItemIndex(int row) {
    if (row < 0 || row >= RowCount()) {
        clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    // The current cell stays in the column it was in (or the first shown one).
    int column = currentIndex().isValid() ? currentIndex().column() : horizontalHeader()->logicalIndex(0);
    if (column < 0 || isColumnHidden(column)) column = horizontalHeader()->logicalIndexAt(0);
    const QModelIndex index = model_->index(row, std::max(0, column));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void TGameList::ReportChosenGame() {
    const int row = ItemIndex();
    if (row < 0) return;
    const std::int32_t gameIndex = GameIndexOfRow(row);
    std::int32_t gameID = -1;
    std::string text;
    GetGame(gameIndex, gameID, text);
    if (!text.empty() && gameID != -1) emit GameChosen(this, text, gameID);
}

void TGameList::SetLoadedGame(std::int32_t game) {
    if (game == loadedGame_) return;
    loadedGame_ = game;
    viewport()->update();
}

void TGameList::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    const int before = event->oldSize().width();
    if (fitPending_ || (before > 0 && before != event->size().width())) FitColumns();
}

void TGameList::FitColumns() {
    QHeaderView* header = horizontalHeader();
    const TGameColumn stretching[] = {TGameColumn::White, TGameColumn::Black, TGameColumn::Event};
    int used = 0, stretchWidth = 0, stretchCount = 0;
    for (int c = 0; c < kGameColumnCount; ++c) {
        if (isColumnHidden(c)) continue;
        used += header->sectionSize(c);
        if (std::find(std::begin(stretching), std::end(stretching), static_cast<TGameColumn>(c)) != std::end(stretching)) {
            stretchWidth += header->sectionSize(c);
            ++stretchCount;
        }
    }
    if (viewport()->width() <= 0) return;
    fitPending_ = false;
    const int spare = viewport()->width() - used;
    if (stretchCount == 0 || spare == 0) return;
    // Each grows or shrinks by its share, none below 100 pixels.
    const int target = std::max(stretchWidth + spare, stretchCount * 100);
    int left = target;
    for (TGameColumn column : stretching) {
        const int c = static_cast<int>(column);
        if (isColumnHidden(c)) continue;
        const int width = --stretchCount == 0 ? left
                                              : static_cast<int>(static_cast<long long>(header->sectionSize(c)) * target /
                                                                 std::max(1, stretchWidth));
        header->resizeSection(c, std::max(100, width));
        left -= width;
    }
}

void TGameList::keyPressEvent(QKeyEvent* event) {
    Guarded(this, [&] {
        const bool watched = KeysWatched();
        if (watched) {
            int key = KeyMapKey(*event);
            emit KeyDown(this, key, event->modifiers());
            if (key == 0) {
                event->accept();
                return;
            }
        }
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        // The jumps by a page and to either end load the game they land on.
        const bool jump = event->modifiers() == Qt::NoModifier &&
                          (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown ||
                           event->key() == Qt::Key_Home || event->key() == Qt::Key_End);
        const int before = ItemIndex();
        if (!enter) QTableView::keyPressEvent(event);
        if (jump && ItemIndex() != before && ItemIndex() >= 0 && ChoiceWatched() && FileOpen()) ReportChosenGame();
        // A key the owner has seen must not travel on to the owner's window,
        // whose own key handler would act on it a second time.
        if (watched) event->accept();
        if (enter) {
            event->accept();
            if (ItemIndex() >= 0 && ChoiceWatched() && FileOpen()) ReportChosenGame();
        }
    });
}

void TGameList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    Guarded(this, [&] {
        if (ChoiceWatched() && FileOpen()) ReportChosenGame();
    });
}
