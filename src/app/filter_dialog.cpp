#include "app/filter_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "platform/platform.h"

namespace {

QLineEdit* Field(QWidget* parent, const QString& name, int width = 0) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (width > 0) edit->setMaximumWidth(width);
    return edit;
}

QWidget* Pair(QWidget* parent, QWidget* a, const QString& between, QWidget* b) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(a);
    row->addWidget(new QLabel(between, box));
    row->addWidget(b);
    row->addStretch();
    return box;
}

std::string Utf8(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

// An empty field reads as -1.
bool ReadNumber(const QLineEdit* edit, int& value) {
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) return value = -1, true;
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= 0 && value < 100000;
}

const char* const kResults[] = {"", "1-0", "0-1", "1/2-1/2", "*"};

}  // namespace

TFilterDialog::TFilterDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Filter games"));
    setObjectName(QStringLiteral("FilterDialog"));
    auto* form = new QFormLayout(this);
    white_ = Field(this, QStringLiteral("White"));
    black_ = Field(this, QStringLiteral("Black"));
    player_ = Field(this, QStringLiteral("Player"));
    side_ = new QComboBox(this);
    side_->addItems({QStringLiteral("either"), QStringLiteral("as White"), QStringLiteral("as Black")});
    eloMin_ = new QSpinBox(this);
    eloMin_->setRange(0, 4000);
    eloMin_->setSpecialValueText(QStringLiteral("any"));
    yearFrom_ = Field(this, QStringLiteral("YearFrom"), 60);
    yearTo_ = Field(this, QStringLiteral("YearTo"), 60);
    result_ = new QComboBox(this);
    result_->addItems({QStringLiteral("any"), QStringLiteral("1-0"), QStringLiteral("0-1"), QStringLiteral("1/2-1/2"),
                       QStringLiteral("*")});
    ecoFrom_ = Field(this, QStringLiteral("EcoFrom"), 60);
    ecoTo_ = Field(this, QStringLiteral("EcoTo"), 60);
    opening_ = Field(this, QStringLiteral("Opening"));
    opening_->setToolTip(QStringLiteral("Text of the opening's name or ECO code, as the Opening column names it"));
    movesMin_ = Field(this, QStringLiteral("MovesMin"), 60);
    movesMax_ = Field(this, QStringLiteral("MovesMax"), 60);
    position_ = new QCheckBox(QStringLiteral("The &position on the board occurs"), this);
    noDuplicates_ = new QCheckBox(QStringLiteral("&Leave out duplicates"), this);

    form->addRow(QStringLiteral("&White:"), white_);
    form->addRow(QStringLiteral("&Black:"), black_);
    form->addRow(QStringLiteral("Either pla&yer:"), Pair(this, player_, {}, side_));
    form->addRow(QStringLiteral("Minimum &Elo (both):"), eloMin_);
    form->addRow(QStringLiteral("Years fro&m:"), Pair(this, yearFrom_, QStringLiteral("to"), yearTo_));
    form->addRow(QStringLiteral("&Result:"), result_);
    form->addRow(QStringLiteral("E&CO from:"), Pair(this, ecoFrom_, QStringLiteral("to"), ecoTo_));
    form->addRow(QStringLiteral("Ope&ning:"), opening_);
    form->addRow(QStringLiteral("M&oves from:"), Pair(this, movesMin_, QStringLiteral("to"), movesMax_));
    form->addRow(position_);
    form->addRow(noDuplicates_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool TFilterDialog::Check(QString& error) const {
    int from = 0, to = 0;
    const QString years = yearFrom_->text().trimmed() + QLatin1Char('-') + yearTo_->text().trimmed();
    if (years != QStringLiteral("-") && !ParseYearRange(years.toStdString(), from, to))
        return error = QStringLiteral("The years are not a range of years."), false;
    std::string a, b;
    const QString ecoA = ecoFrom_->text().trimmed(), ecoB = ecoTo_->text().trimmed();
    if (!ecoA.isEmpty() || !ecoB.isEmpty()) {
        const QString eco = (ecoA.isEmpty() ? QStringLiteral("A00") : ecoA) + QLatin1Char('-') +
                            (ecoB.isEmpty() ? QStringLiteral("E99") : ecoB);
        if (!ParseEcoRange(eco.toStdString(), a, b))
            return error = QStringLiteral("The ECO codes are not a range from A00 to E99."), false;
    }
    int n = 0;
    if (!ReadNumber(movesMin_, n) || !ReadNumber(movesMax_, n))
        return error = QStringLiteral("The moves are not whole numbers."), false;
    return true;
}

void TFilterDialog::accept() {
    QString error;
    if (!Check(error)) {
        Platform::Get().ShowMessage(this, error, TMessageKind::Information);
        return;
    }
    QDialog::accept();
}

TFilterCriteria TFilterDialog::Criteria() const {
    TFilterCriteria c;
    c.White = Utf8(white_);
    c.Black = Utf8(black_);
    c.Player = Utf8(player_);
    c.PlayerSide = static_cast<TPlayerSide>(side_->currentIndex());
    c.EloMin = eloMin_->value();
    const QString years = yearFrom_->text().trimmed() + QLatin1Char('-') + yearTo_->text().trimmed();
    if (years != QStringLiteral("-")) ParseYearRange(years.toStdString(), c.YearFrom, c.YearTo);
    c.Result = kResults[result_->currentIndex()];
    const QString ecoA = ecoFrom_->text().trimmed(), ecoB = ecoTo_->text().trimmed();
    if (!ecoA.isEmpty() || !ecoB.isEmpty())
        ParseEcoRange(((ecoA.isEmpty() ? QStringLiteral("A00") : ecoA) + QLatin1Char('-') +
                       (ecoB.isEmpty() ? QStringLiteral("E99") : ecoB)).toStdString(),
                      c.EcoFrom, c.EcoTo);
    c.Opening = Utf8(opening_);
    ReadNumber(movesMin_, c.MovesMin);
    ReadNumber(movesMax_, c.MovesMax);
    c.HasPosition = position_->isChecked();
    c.NoDuplicates = noDuplicates_->isChecked();
    return c;
}

void TFilterDialog::SetCriteria(const TFilterCriteria& c) {
    white_->setText(QString::fromStdString(c.White));
    black_->setText(QString::fromStdString(c.Black));
    player_->setText(QString::fromStdString(c.Player));
    side_->setCurrentIndex(static_cast<int>(c.PlayerSide));
    eloMin_->setValue(c.EloMin);
    yearFrom_->setText(c.YearFrom > 0 ? QString::number(c.YearFrom) : QString());
    yearTo_->setText(c.YearTo > 0 ? QString::number(c.YearTo) : QString());
    for (int i = 0; i < 5; ++i)
        if (c.Result == kResults[i]) result_->setCurrentIndex(i);
    ecoFrom_->setText(QString::fromStdString(c.EcoFrom));
    ecoTo_->setText(QString::fromStdString(c.EcoTo));
    opening_->setText(QString::fromStdString(c.Opening));
    movesMin_->setText(c.MovesMin >= 0 ? QString::number(c.MovesMin) : QString());
    movesMax_->setText(c.MovesMax >= 0 ? QString::number(c.MovesMax) : QString());
    position_->setChecked(c.HasPosition);
    noDuplicates_->setChecked(c.NoDuplicates);
}
