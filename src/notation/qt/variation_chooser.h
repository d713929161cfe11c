// The variation chooser: a small modal window, built afresh for each
// question, that lists the main move and its alternatives. Run through the
// platform seam so that tests can answer it.
#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

class TVariationChooser : public QDialog {
public:
    TVariationChooser(QWidget* owner, const QStringList& items, bool english);
    QListWidget* List() const { return list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* list_;
};

// Asks which move to play; items are the ready texts ("A) 5.Nf3", ...).
// Returns the chosen index, -1 when cancelled.
int ChooseVariationModal(QWidget* owner, const QStringList& items, bool english);
