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

QString Name(const std::string& name) {
    const QString text = Text(name);
    return text.isEmpty() ? QStringLiteral("?") : text;
}

QString Rating(std::int32_t elo) { return elo != kNoNumber ? QStringLiteral(" (%1)").arg(elo) : QString(); }

const QString kDash = QStringLiteral(" \u2013 ");

}  // namespace

THeaderPlayers HeaderPlayers(const TGameHeader& h) {
    THeaderPlayers p{Name(h.White), Rating(h.WhiteElo), Name(h.Black), Rating(h.BlackElo), QString()};
    if (!Text(h.Result).isEmpty() && h.Result != "*") p.Result = QStringLiteral("   ") + Text(h.Result);
    return p;
}

QStringList HeaderPanelLines(const TGameHeader& h, const QString& namedOpening) {
    QStringList lines;
    const THeaderPlayers p = HeaderPlayers(h);
    lines << p.White + p.WhiteElo + kDash + p.Black + p.BlackElo + p.Result;
    QStringList where;
    for (const QString& part : {Text(h.Event), Text(h.Site)})
        if (!part.isEmpty()) where << part;
    if (const QString round = Text(h.Round); !round.isEmpty()) where << QStringLiteral("round %1").arg(round);
    const QString date = QString::fromStdString(GameCellText(h, TGameColumn::Date, 0));
    if (!date.isEmpty()) where << date;
    lines << where.join(QStringLiteral(", "));
    QStringList opening;
    if (!namedOpening.isEmpty()) opening << namedOpening;
    QString name = Tag(h, "Opening");
    const QString variation = Tag(h, "Variation");
    if (!variation.isEmpty()) name += (name.isEmpty() ? QString() : QStringLiteral(": ")) + variation;
    const QString eco = Text(h.ECO);
    if (opening.isEmpty() && (!eco.isEmpty() || !name.isEmpty())) opening << (eco + (eco.isEmpty() || name.isEmpty() ? QString() : QStringLiteral(" ")) + name);
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

void THeaderPanel::Show(const TGameHeader& header, bool haveGame, const QString& opening) {
    lines_ = haveGame ? HeaderPanelLines(header, opening) : QStringList();
    players_ = haveGame ? HeaderPlayers(header) : THeaderPlayers();
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

// The players' line never loses the result or a rating: too wide, it goes
// to two lines while the panel has a line to spare, else the names are
// shortened, each to its share of the room.
QStringList THeaderPanel::PlayerLines(int room) const {
    const QFontMetrics fm(font());
    const THeaderPlayers& p = players_;
    const QString whole = p.White + p.WhiteElo + kDash + p.Black + p.BlackElo + p.Result;
    if (fm.horizontalAdvance(whole) <= room) return {whole};
    auto fit = [&](const QString& name, const QString& after, int width) {
        return fm.elidedText(name, Qt::ElideRight, std::max(fm.horizontalAdvance(QStringLiteral("M\u2026")),
                                                            width - fm.horizontalAdvance(after))) + after;
    };
    int spare = 0;
    for (int i = 1; i < lines_.size(); ++i) spare += lines_[i].isEmpty() ? 1 : 0;
    if (spare > 0)
        return {fit(p.White, p.WhiteElo + kDash.trimmed(), room), fit(p.Black, p.BlackElo + p.Result, room)};
    const int fixed = fm.horizontalAdvance(p.WhiteElo + kDash + p.BlackElo + p.Result);
    const int share = std::max(0, room - fixed) / 2;
    return {fit(p.White, p.WhiteElo, share + fm.horizontalAdvance(p.WhiteElo)) + kDash +
            fit(p.Black, p.BlackElo + p.Result, share + fm.horizontalAdvance(p.BlackElo + p.Result))};
}

void THeaderPanel::Fill() {
    const QFontMetrics fm(font());
    const int room = std::max(0, width() - 2 * margin() - 2);
    QStringList shown;
    bool cut = false;
    for (int i = 0; i < lines_.size(); ++i) {
        if (i == 0) {
            const QStringList players = PlayerLines(room);
            cut = cut || players.size() > 1 || players.front() != lines_[0];
            shown << players;
            continue;
        }
        if (lines_[i].isEmpty() && shown.size() > i) continue;  // the players took its room
        const QString elided = fm.elidedText(lines_[i], Qt::ElideRight, room);
        cut = cut || elided != lines_[i];
        shown << elided;
    }
    setText(shown.join(QLatin1Char('\n')));
    const QString all = lines_.join(QLatin1Char('\n'));
    setToolTip(cut ? all : QString());
    setAccessibleDescription(all);
}
