// The notation's move changes and loaded games as signals. The notation
// reports them through hooks of its own; this object takes those hooks over
// and hands the events on. Once it is gone the hooks fall silent, so an owner
// that keeps it as a member hears nothing from the notation while it is
// itself being torn down.
#pragma once

#include <QObject>

#include "rules/position.h"

class TNotation;

class TNotationEvents : public QObject {
    Q_OBJECT
public:
    explicit TNotationEvents(TNotation& notation);

signals:
    // The notation moved (a step, a jump, a click): position and move to show.
    void MoveChanged(TMoveRecord& move, TBoard& position, bool nextMove);
    // A game was loaded.
    void GameLoaded();
};
