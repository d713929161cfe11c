#include "collection/qt/pgn.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "platform/platform.h"
#include "collection/database_mode.h"
#include "collection/error_text.h"

// Rows without data of their own: the count comes from the core.
class TPGNModel final : public QAbstractListModel {
public:
    TPGNModel(TPGNCore& core, QObject* parent) : QAbstractListModel(parent), core_(core) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : core_.RowCount(); }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void BeginInsert(int first, int last) { beginInsertRows(QModelIndex(), first, last); }
    void EndInsert() { endInsertRows(); }

private:
    TPGNCore& core_;
};

class TPGNDelegate final : public QStyledItemDelegate {
public:
    explicit TPGNDelegate(TPGN* list) : QStyledItemDelegate(list), list_(list) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        list_->DrawRow(painter, option, index.row());
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(list_->viewport()->width(), list_->ItemHeight());
    }

private:
    TPGN* list_;
};

TPGN::TPGN(QWidget* parent)
    : QListView(parent),
      OnPGNTrace(core_.OnPGNTrace),
      BeforeCreatePGNFile(core_.BeforeCreatePGNFile),
      OnFilterRequest(core_.OnFilterRequest),
      model_(new TPGNModel(core_, this)) {
    core_.OnBusyCursor = [](bool on) { Platform::Get().SetBusyCursor(on); };
    // Database mode: its messages are error boxes; its progress runs with
    // InTrace set, and rows are not drawn meanwhile.
    core_.DatabaseModeState().OnErrorMessage = [this](const std::string& text) {
        Platform::Get().ShowMessage(this, TextFromBytes(text), TMessageKind::Error);
    };
    core_.DatabaseModeState().OnBeep = [] { Platform::Get().Beep(); };
    setModel(model_);
    setItemDelegate(new TPGNDelegate(this));
    // Uniform rows: the view never asks for every row's size.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFrameShape(QFrame::StyledPanel);
    shownVersion_ = core_.RowsVersion();
}

TPGN::~TPGN() = default;

void TPGN::RowsChanged() {
    if (core_.RowsVersion() != shownVersion_) {
        model_->BeginReset();
        shownVersion_ = core_.RowsVersion();
        model_->EndReset();
    }
    viewport()->update();
}

void TPGN::AppendRows(const std::vector<std::int32_t>& games) {
    if (games.empty()) return;
    RowsChanged();  // anything changed before is shown first
    // The rows are the games given, whatever a filter handler would say.
    auto filter = std::move(core_.OnFilterRequest);
    core_.OnFilterRequest = nullptr;
    const int first = core_.RowCount();
    model_->BeginInsert(first, first + static_cast<int>(games.size()) - 1);
    for (std::int32_t g : games) core_.AddRow(core_.RowCount(), g);
    shownVersion_ = core_.RowsVersion();
    model_->EndInsert();
    core_.OnFilterRequest = std::move(filter);
}

void TPGN::ScanFile(const std::string& FileName) {
    try {
        core_.ScanFile(FileName);
    } catch (...) {
        RowsChanged();
        throw;
    }
    RowsChanged();
}

void TPGN::GetGame(std::int32_t Index, std::int32_t& GameID, std::string& PGNGame) {
    core_.GetGame(Index, GameID, PGNGame);
}

void TPGN::SetItemHeight(int height) {
    if (height <= 0 || height == itemHeight_) return;
    itemHeight_ = height;
    // The delegate's size changed: let the view lay the rows out again.
    model_->BeginReset();
    model_->EndReset();
}

int TPGN::ItemIndex() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current)) return -1;
    return current.row();
}

void TPGN::SetItemIndex(int row) {
    if (row < 0 || row >= core_.RowCount()) {
        clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    const QModelIndex index = model_->index(row);
    setCurrentIndex(index);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void TPGN::DrawRow(QPainter* painter, const QStyleOptionViewItem& option, int row) {
    if (InTrace || core_.DatabaseModeState().InTrace) return;
    if (core_.DatabaseMode() && core_.Database()->Busy()) return;
    if (!OnPGNDrawItem) {
        // Rows carry no text of their own: the plain drawing shows only the selection.
        QStyledItemDelegate plain;
        plain.paint(painter, option, model_->index(row));
        return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->setBrush(option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(font());
    canvas_ = painter;
    try {
        const std::int32_t gameIndex = GameIndexOfRow(row);
        core_.LoadRowHeader(gameIndex);
        OnPGNDrawItem(this, row, option.rect, core_.CurrentHeader, gameIndex);
    } catch (...) {
        // A row that cannot be drawn stays blank; painting goes on.
    }
    canvas_ = nullptr;
    painter->restore();
    if ((option.state & QStyle::State_HasFocus) && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = option.rect;
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
    }
}

void TPGN::ReportChosenGame() {
    const int row = ItemIndex();
    if (row < 0) return;
    const std::int32_t gameIndex = GameIndexOfRow(row);
    std::int32_t gameID = -1;
    std::string text;
    GetGame(gameIndex, gameID, text);
    if (!text.empty() && gameID != -1 && OnPGNDblClick) OnPGNDblClick(this, text, gameID);
}

void TPGN::keyPressEvent(QKeyEvent* event) {
    try {
        if (OnKeyDown) {
            int key = KeyMapKey(*event);
            OnKeyDown(this, key, event->modifiers());
            if (key == 0) {
                event->accept();
                return;
            }
        }
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter) QListView::keyPressEvent(event);
        // A key the owner has seen must not travel on to the owner's window,
        // whose own key handler would act on it a second time.
        if (OnKeyDown) event->accept();
        if (enter) {
            event->accept();
            if (ItemIndex() >= 0 && OnPGNDblClick && FileOpen()) ReportChosenGame();
        }
    } catch (const std::exception& e) {
        Platform::Get().ShowMessage(this, TextFromBytes(UserErrorText(e)), TMessageKind::Error);
    }
}

void TPGN::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    try {
        if (OnPGNDblClick && FileOpen()) ReportChosenGame();
    } catch (const std::exception& e) {
        Platform::Get().ShowMessage(this, TextFromBytes(UserErrorText(e)), TMessageKind::Error);
    }
}
