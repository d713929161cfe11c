// The game list's database mode switched on: a list core that opens ".ccf"
// files as databases through a TDatabaseMode.
#pragma once

#include "collection/game_list_core.h"
#include "database/database_mode.h"

// A game list core that opens ".ccf" files through mode (for tools that use
// the core without a window).
void EnableDatabaseMode(TGameListCore& list, TDatabaseMode& mode);
