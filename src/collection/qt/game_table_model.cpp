#include "collection/qt/game_table_model.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "collection/qt/game_list.h"
#include "collection/row_texts.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kCachedRows = 512;

bool RightAligned(TGameColumn c) { return IsNumericColumn(c) && c != TGameColumn::Date; }

bool Bold(TGameColumn c) {
    return c == TGameColumn::White || c == TGameColumn::Black || c == TGameColumn::Result;
}

}  // namespace

TGameTableModel::TGameTableModel(TGameList& list) : QAbstractTableModel(&list), list_(list) {}

int TGameTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_.RowCount(); }

int TGameTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGameColumnCount; }

void TGameTableModel::BeginReset() { beginResetModel(); }

void TGameTableModel::EndReset() {
    cache_.clear();
    age_.clear();
    endResetModel();
}

void TGameTableModel::Refresh() {
    cache_.clear();
    age_.clear();
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kGameColumnCount - 1));
}

void TGameTableModel::SetSortColumn(int column, bool descending) {
    sortColumn_ = column;
    descending_ = descending;
    emit headerDataChanged(Qt::Horizontal, 0, kGameColumnCount - 1);
}

// The Moves cell of a game without a PlyCount tag, counted from its text for
// a row being drawn; left empty where the column is hidden or the game is
// large (a row must never hold up the list).
QString TGameTableModel::CountedMoves(std::int32_t game) const {
    constexpr std::int64_t kMaxCountedBytes = 256 << 10;
    if (list_.isColumnHidden(static_cast<int>(TGameColumn::Moves))) return {};
    TGameListCore& core = list_.Core();
    if (!core.DatabaseMode()) {
        const GameEntry e = core.Entry(game);
        if (e.EndPos - e.StartPos > kMaxCountedBytes) return {};
    }
    std::int32_t id = -1;
    std::string text;
    core.GetGame(game, id, text);
    if (text.size() > static_cast<std::size_t>(kMaxCountedBytes)) return {};
    const std::int32_t plies = CountMainLinePlies(text);
    return plies > 0 ? QString::number(FullMoves(plies)) : QString();
}

// The Opening cell needs the game's first moves: it is named only when a
// view asks for it (a shown column), once per cached row.
QString TGameTableModel::OpeningCell(TRowCells& cells, std::int32_t game) const {
    if (!cells.openingRead) {
        cells.text[static_cast<std::size_t>(TGameColumn::Opening)] =
            QString::fromStdString(OpeningCellOfGame(list_.Core(), game));
        cells.openingRead = true;
    }
    return cells.text[static_cast<std::size_t>(TGameColumn::Opening)];
}

TGameTableModel::TRowCells* TGameTableModel::Cells(int row, std::int32_t game) const {
    const auto it = cache_.find(game);
    if (it != cache_.end()) {
        age_.splice(age_.begin(), age_, it->second.second);
        return &it->second.first;
    }
    TRowCells cells;
    try {
        TGameListCore& core = list_.Core();
        core.LoadRowHeader(game);
        for (int c = 0; c < kGameColumnCount; ++c)
            cells.text[static_cast<std::size_t>(c)] =
                QString::fromStdString(GameCellText(core.CurrentHeader, static_cast<TGameColumn>(c), game));
        cells.deleted = core.CurrentHeader.Deleted;
        const bool countMoves = core.CurrentHeader.PlyCount == kNoNumber;
        if (list_.OnRowRead) list_.OnRowRead(row, game, core.CurrentHeader);
        if (countMoves) cells.text[static_cast<std::size_t>(TGameColumn::Moves)] = CountedMoves(game);
        list_.NoteRead();
    } catch (...) {
        return nullptr;  // a row that cannot be read stays blank
    }
    if (cache_.size() >= kCachedRows) {
        cache_.erase(age_.back());
        age_.pop_back();
    }
    age_.push_front(game);
    return &cache_.emplace(game, std::make_pair(std::move(cells), age_.begin())).first->second.first;
}

QVariant TGameTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= kGameColumnCount) return {};
    const auto column = static_cast<TGameColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
        if (list_.Drawing() == false) return {};
        const std::int32_t game = list_.GameIndexOfRow(index.row());
        if (game < 0) return {};
        TRowCells* cells = Cells(index.row(), game);
        if (!cells) return {};
        if (column == TGameColumn::Opening) return OpeningCell(*cells, game);
        return cells->text[static_cast<std::size_t>(index.column())];
    }
    case Qt::FontRole: {
        QFont font = list_.font();
        font.setBold(Bold(column));
        if (list_.Core().DatabaseMode() && list_.Drawing()) {
            const TRowCells* cells = Cells(index.row(), list_.GameIndexOfRow(index.row()));
            font.setStrikeOut(cells && cells->deleted);
        }
        return font;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(RightAligned(column) ? Qt::AlignRight | Qt::AlignVCenter
                                                                      : Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::BackgroundRole: {
        // The game on the board: a tint of the selection colour, readable in
        // light and dark palettes alike.
        if (list_.LoadedGame() < 0 || list_.GameIndexOfRow(index.row()) != list_.LoadedGame()) return {};
        QColor tint = list_.palette().color(QPalette::Highlight);
        tint.setAlpha(70);
        return tint;
    }
    default: return {};
    }
}

QVariant TGameTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kGameColumnCount) return {};
    const auto column = static_cast<TGameColumn>(section);
    const QString name = QString::fromLatin1(GameColumnName(column).data(),
                                             static_cast<qsizetype>(GameColumnName(column).size()));
    if (role == Qt::DisplayRole) return name;
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) {
        QString tip = QStringLiteral("Click to sort by %1").arg(name.toLower());
        if (section == sortColumn_) tip = QStringLiteral("Sorted by %1, %2; click to turn round")
                                              .arg(name.toLower(), descending_ ? QStringLiteral("descending")
                                                                               : QStringLiteral("ascending"));
        return tip;
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(RightAligned(column) ? Qt::AlignRight | Qt::AlignVCenter
                                                                      : Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

// ---- cells -----------------------------------------------------------------------

TGameCellDelegate::TGameCellDelegate(TGameList* list) : QStyledItemDelegate(list), list_(list) {}

void TGameCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!list_->Drawing()) {
        painter->fillRect(option.rect, option.palette.base());
        return;
    }
    QStyleOptionViewItem o = option;
    o.textElideMode = Qt::ElideRight;  // "…" where the column is too narrow
    QStyledItemDelegate::paint(painter, o, index);
}

bool TGameCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) {
    if (!event || event->type() != QEvent::ToolTip || !index.isValid()) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    // The room the style leaves for text in this cell.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const bool cut = QFontMetrics(o.font).horizontalAdvance(text) > option.rect.width() - 2 * margin;
    if (text.isEmpty() || !cut) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, view, option.rect);
    return true;
}
