// The clipboard end of the PGN writer: the core produces the text, the
// platform seam puts it on the system clipboard.
#pragma once

#include "notation/notation_core.h"

// Writes the loaded game as PGN onto the clipboard (as the "PGN to Clipboard"
// button does). The bytes are shown as UTF-8 when they are valid UTF-8,
// otherwise as Latin-1.
void CopyPGNToSystemClipboard(TNotationCore& core);
