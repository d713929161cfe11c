// The Filter dialog (Search menu, Ctrl+Shift+F): the criteria a game must
// meet to stay listed. Its fields keep their values from one opening to the
// next; OK is taken only when every field reads (a year, an ECO code, a
// number), otherwise the dialog says which field is wrong and stays open.
#pragma once

#include <QDialog>

#include "search/game_filter.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

class TFilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFilterDialog(QWidget* parent);

    // The criteria as entered; HasPosition is set, Position is the caller's.
    TFilterCriteria Criteria() const;
    void SetCriteria(const TFilterCriteria& criteria);
    // False with the reason when a field does not read.
    bool Check(QString& error) const;

    void accept() override;

private:
    QLineEdit* white_;
    QLineEdit* black_;
    QLineEdit* player_;
    QComboBox* side_;
    QSpinBox* eloMin_;
    QLineEdit* yearFrom_;
    QLineEdit* yearTo_;
    QComboBox* result_;
    QLineEdit* ecoFrom_;
    QLineEdit* ecoTo_;
    QLineEdit* opening_;
    QLineEdit* movesMin_;
    QLineEdit* movesMax_;
    QCheckBox* position_;
    QCheckBox* noDuplicates_;
};
