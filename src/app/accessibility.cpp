#include "app/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>

#include "notation/qt/notation.h"
#include "notation/shown_text.h"

namespace {

class TNotationAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TNotationAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Text();
        return QAccessibleWidget::text(t);
    }

    // ---- text interface: the whole text, nothing selectable ----
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString all = Text();
        if (end < 0 || end > all.size()) end = static_cast<int>(all.size());
        start = std::clamp(start, 0, end);
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    QString Text() const { return NotationAccessibleText(*static_cast<TNotation*>(widget())); }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    // The notation has no meta-object of its own: it is known by its type.
    if (auto* notation = dynamic_cast<TNotation*>(object)) return new TNotationAccessible(notation);
    return nullptr;
}

}  // namespace

QString NotationAccessibleText(TNotation& notation) {
    const TNotationDisplay& d = notation.Display();
    QStringList rows;
    for (int i = 0; i < d.RowCount(); ++i) rows << QString::fromStdString(ShownRowText(d, i));
    return rows.join(QLatin1Char('\n'));
}

void InstallAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(Factory);
}
