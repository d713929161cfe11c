#include "app/tree_pane.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "app/status_line.h"
#include "platform/guarded.h"

namespace {

enum TColumn { cMove, cGames, cScore, cResults, cElo, cPerformance, cFirst, cLast, cColumns };

const char* const kTitles[cColumns] = {"Move", "Games", "Score", "W / D / B", "Avg Elo", "Perf", "First", "Last"};

// Ratings and years are written without a thousands separator.
QString PlainOrEmpty(int n) { return n > 0 ? QString::number(n) : QString(); }

}  // namespace

// The rows of one answer, read-only.
class TTreeModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Set(TTreeAnswer answer) {
        beginResetModel();
        answer_ = std::move(answer);
        endResetModel();
    }
    const TTreeAnswer& Answer() const { return answer_; }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(answer_.Moves.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : cColumns; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= cColumns) return {};
        if (role == Qt::DisplayRole) return QString::fromLatin1(kTitles[section]);
        if (role == Qt::ToolTipRole && section == cScore) return QStringLiteral("Per cent for the side to move");
        if (role == Qt::ToolTipRole && section == cResults) return QStringLiteral("White wins / draws / Black wins");
        return {};
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount({})) return {};
        const TTreeMove& m = answer_.Moves[static_cast<size_t>(index.row())];
        if (role == Qt::TextAlignmentRole)
            return index.column() == cMove ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                           : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::UserRole && index.column() == cResults)
            return QVariantList{QVariant::fromValue(m.WhiteWins), QVariant::fromValue(m.Draws),
                                QVariant::fromValue(m.BlackWins)};
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
        switch (index.column()) {
        case cMove: return QString::fromStdString(m.San);
        case cGames: return NumberText(m.Games);
        case cScore: return m.Score >= 0 ? QStringLiteral("%1%").arg(m.Score) : QString();
        case cResults:
            // Without thousands separators: the counts share the cell with the bar.
            return QStringLiteral("%1 / %2 / %3").arg(m.WhiteWins).arg(m.Draws).arg(m.BlackWins);
        case cElo: return PlainOrEmpty(m.AverageElo);
        case cPerformance: return PlainOrEmpty(m.Performance);
        case cFirst: return PlainOrEmpty(m.FirstYear);
        case cLast: return PlainOrEmpty(m.LastYear);
        default: return {};
        }
    }

private:
    TTreeAnswer answer_;
};

namespace {

// The results cell: a bar of three parts in proportion (White's wins white,
// draws grey, Black's wins black) under the counts.
class TResultsDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        o.widget->style()->drawControl(QStyle::CE_ItemViewItem, &o, p, o.widget);
        const QVariantList counts = index.data(Qt::UserRole).toList();
        if (counts.size() != 3) return;
        const int64_t w = counts[0].toLongLong(), d = counts[1].toLongLong(), b = counts[2].toLongLong();
        const int64_t all = w + d + b;
        const QRect cell = option.rect.adjusted(3, 2, -3, -2);
        // The bar takes the left of the cell, at least a quarter; the counts the rest, cut short when they must be.
        const int textWidth = std::min(o.fontMetrics.horizontalAdvance(text) + 6, cell.width() * 3 / 4);
        const QRect bar(cell.left(), cell.top() + 1, cell.width() - textWidth, cell.height() - 2);
        p->save();
        if (all > 0) {
            const int x1 = bar.left() + static_cast<int>(bar.width() * w / all);
            const int x2 = bar.left() + static_cast<int>(bar.width() * (w + d) / all);
            p->fillRect(QRect(bar.left(), bar.top(), x1 - bar.left(), bar.height()), QColor(250, 250, 250));
            p->fillRect(QRect(x1, bar.top(), x2 - x1, bar.height()), QColor(150, 150, 150));
            p->fillRect(QRect(x2, bar.top(), bar.right() + 1 - x2, bar.height()), QColor(20, 20, 20));
        }
        p->setPen(QColor(90, 90, 90));
        p->drawRect(bar.adjusted(0, 0, -1, -1));
        p->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                            : QPalette::Text));
        const QRect room(bar.right() + 1, cell.top(), cell.right() - bar.right(), cell.height());
        p->drawText(room, Qt::AlignRight | Qt::AlignVCenter, o.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setWidth(s.width() + 50);
        return s;
    }
};

}  // namespace

TTreePane::TTreePane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OpeningTreePane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 6, 0);
    layout->setSpacing(2);
    head_ = new QLabel(this);
    head_->setObjectName(QStringLiteral("OpeningTreeHead"));
    head_->setAccessibleName(QStringLiteral("Opening tree position"));
    head_->setTextFormat(Qt::PlainText);
    head_->setMinimumWidth(1);
    layout->addWidget(head_);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("OpeningTree"));
    table_->setAccessibleName(QStringLiteral("Opening tree"));
    model_ = new TTreeModel(table_);
    table_->setModel(model_);
    table_->setItemDelegateForColumn(cResults, new TResultsDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = table_->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    const int widths[cColumns] = {50, 46, 40, 150, 48, 40, 36, 36};
    for (int c = 0; c < cColumns; ++c) table_->setColumnWidth(c, widths[c]);
    header->setSectionResizeMode(cResults, QHeaderView::Stretch);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QTableView::customContextMenuRequested, this, &TTreePane::ShowMenu);
    connect(table_, &QTableView::clicked, this, [this](const QModelIndex& i) { emit MoveChosen(i.row()); });
    table_->installEventFilter(this);
    layout->addWidget(table_, 1);
}

void TTreePane::SetAnswer(const TTreeAnswer& answer, const QString& head, bool samePosition) {
    const QModelIndex current = table_->currentIndex();
    const std::string san = current.isValid() ? model_->Answer().Moves[static_cast<size_t>(current.row())].San : "";
    const int column = current.isValid() ? current.column() : cMove;
    head_->setText(head);
    model_->Set(answer);
    table_->setAccessibleDescription(head);
    if (!samePosition || san.empty()) return;
    // The rows filling in while the tree builds keep the move the user stands on.
    for (size_t r = 0; r < answer.Moves.size(); ++r)
        if (answer.Moves[r].San == san) table_->setCurrentIndex(model_->index(static_cast<int>(r), column));
}

void TTreePane::Clear(const QString& head) { SetAnswer(TTreeAnswer{}, head); }
const TTreeAnswer& TTreePane::Answer() const { return model_->Answer(); }
QString TTreePane::Head() const { return head_->text(); }

bool TTreePane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const int key = k->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && table_->currentIndex().isValid()) {
            emit MoveChosen(table_->currentIndex().row());
            return true;
        }
        // Letters, digits, Left, Right and Esc are the window's keys (browsing,
        // the search's Esc), as they are in the game list; the rows keep Up,
        // Down, Page Up and Down, Home and End.
        const bool modified = k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const bool text = !k->text().isEmpty() && k->text().at(0).isPrint() && !modified;
        if (text || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Escape) {
            QCoreApplication::sendEvent(window(), event);
            event->accept();  // handled there: not handed up the parents a second time
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TTreePane::ShowMenu(const QPoint& at) {
    const QModelIndex index = table_->indexAt(at);
    if (!index.isValid()) return;
    QMenu menu(this);
    QAction* list = menu.addAction(QStringLiteral("&List these games"));
    if (menu.exec(table_->viewport()->mapToGlobal(at)) == list) emit ListChosen(index.row());
}
