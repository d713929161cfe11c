#include "notation/qt/variation_chooser.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <memory>

#include "platform/platform.h"

TVariationChooser::TVariationChooser(QWidget* owner, const QStringList& items, bool english)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle(english ? QStringLiteral("Select move") : QStringLiteral("Variante w\u00e4hlen"));
    setModal(true);
    resize(255, 147);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new QListWidget(this);
    QFont bold = list_->font();
    bold.setBold(true);
    list_->setFont(bold);
    list_->addItems(items);
    if (!items.isEmpty()) list_->setCurrentRow(0);
    layout->addWidget(list_);

    // Window-level keys come before the list's own handling.
    installEventFilter(this);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);

    // Top-left at the owner's bottom-left corner, kept on the screen.
    if (owner) {
        QPoint at = owner->mapToGlobal(QPoint(0, owner->height()));
        QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect area = screen->geometry();
            if (at.x() + width() > area.right() + 1) at.setX(area.right() + 1 - width());
            if (at.y() + height() > area.bottom() + 1) at.setY(area.bottom() + 1 - height());
        }
        move(at);
    }
}

bool TVariationChooser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
            case Qt::Key_Right:
                accept();
                return true;
            case Qt::Key_Escape:
            case Qt::Key_Left:
                reject();
                return true;
            default:
                break;
        }
    } else if (event->type() == QEvent::MouseButtonPress && watched == list_->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            QListWidgetItem* item = list_->itemAt(mouse->position().toPoint());
            if (item) list_->setCurrentItem(item);
        }
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

int ChooseVariationModal(QWidget* owner, const QStringList& items, bool english) {
    auto dialog = std::make_unique<TVariationChooser>(owner, items, english);
    int code = Platform::Get().ExecModal(dialog.get());
    if (code != QDialog::Accepted) return -1;
    return dialog->List()->currentRow();
}
