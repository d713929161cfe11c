// What a screen reader reads of the widgets that paint themselves: the
// notation gives its text (a row a line, as shown). The board's accessible
// description holds the FEN of the shown position (the board keeps it), the
// game table's rows and cells come from its model, and every control has an
// accessible name.
#pragma once

#include <QString>

class TNotation;

// Installs the accessible interfaces of the viewer's own widgets (once).
void InstallAccessibility();

// The notation's text as the screen reader gets it.
QString NotationAccessibleText(TNotation& notation);
