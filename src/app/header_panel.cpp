#include "app/header_panel.h"

#include <QEvent>
#include <QFontMetrics>

#include "collection/game_header.h"
#include "collection/game_sort.h"
#include "platform/platform.h"

namespace {

QString Text(const std::string& bytes) { return bytes == "?" ? QString() : TextFromBytes(bytes).trimmed(); }

QString Tag(const TGameHeader& h, const char* name) {
    if (!h.OtherTags) return {};
    const std::string prefix = std::string("[") + name + " ";
    for (const std::string& line : h.OtherTags->Lines())
        if (line.size() > prefix.size() && line.compare(0, prefix.size(), prefix) == 0) return Text(TagValue(line));
    return {};
}

QString Player(const std::string& name, std::int32_t elo) {
    QString text = Text(name);
    if (text.isEmpty()) text = QStringLiteral("?");
    return elo != kNoNumber ? text + QStringLiteral(" (%1)").arg(elo) : text;
}

}  // namespace

QStringList HeaderPanelLines(const TGameHeader& h) {
    QStringList lines;
    QString players = Player(h.White, h.WhiteElo) + QStringLiteral(" \u2013 ") + Player(h.Black, h.BlackElo);
    if (!Text(h.Result).isEmpty() && h.Result != "*") players += QStringLiteral("   ") + Text(h.Result);
    lines << players;
    QStringList where;
    for (const QString& part : {Text(h.Event), Text(h.Site)})
        if (!part.isEmpty()) where << part;
    if (const QString round = Text(h.Round); !round.isEmpty()) where << QStringLiteral("round %1").arg(round);
    const QString date = QString::fromStdString(GameCellText(h, TGameColumn::Date, 0));
    if (!date.isEmpty()) where << date;
    lines << where.join(QStringLiteral(", "));
    QStringList opening;
    QString name = Tag(h, "Opening");
    const QString variation = Tag(h, "Variation");
    if (!variation.isEmpty()) name += (name.isEmpty() ? QString() : QStringLiteral(": ")) + variation;
    const QString eco = Text(h.ECO);
    if (!eco.isEmpty() || !name.isEmpty()) opening << (eco + (eco.isEmpty() || name.isEmpty() ? QString() : QStringLiteral(" ")) + name);
    if (!Text(h.Annotator).isEmpty()) opening << QStringLiteral("Annotated by ") + Text(h.Annotator);
    lines << opening.join(QStringLiteral(" \u00b7 "));
    return lines;
}

THeaderPanel::THeaderPanel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("HeaderPanel"));
    setAccessibleName(QStringLiteral("Game header"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(2);
    setMinimumWidth(10);
}

void THeaderPanel::Show(const TGameHeader& header, bool haveGame) {
    lines_ = haveGame ? HeaderPanelLines(header) : QStringList();
    Fill();
}

int THeaderPanel::PanelHeight() const { return 3 * QFontMetrics(font()).lineSpacing() + 2 * margin() + 2; }

void THeaderPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Fill();
}

void THeaderPanel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) Fill();
}

void THeaderPanel::Fill() {
    const QFontMetrics fm(font());
    QStringList shown;
    bool cut = false;
    for (const QString& line : lines_) {
        const QString elided = fm.elidedText(line, Qt::ElideRight, std::max(0, width() - 2 * margin() - 2));
        cut = cut || elided != line;
        shown << elided;
    }
    setText(shown.join(QLatin1Char('\n')));
    const QString all = lines_.join(QLatin1Char('\n'));
    setToolTip(cut ? all : QString());
    setAccessibleDescription(all);
}
