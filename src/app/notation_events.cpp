#include "app/notation_events.h"

#include <QPointer>

#include "notation/qt/notation.h"

TNotationEvents::TNotationEvents(TNotation& notation) {
    const QPointer<TNotationEvents> self(this);
    notation.SetOnMoveChange([self](TNotationCore&, TMoveRecord& move, TBoard& position, bool nextMove) {
        if (self) emit self->MoveChanged(move, position, nextMove);
    });
    notation.OnGameLoaded = [self](TNotation&) {
        if (self) emit self->GameLoaded();
    };
}
