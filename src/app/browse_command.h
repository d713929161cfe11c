// The browsing commands of the window: what the buttons, the key map and the
// Game menu run.
#pragma once

enum class TBrowseCommand { None, ToStart, StepBack, StepForward, StepForwardBranch, ToEnd, PrevMatch, NextMatch,
                            PrevGame, NextGame, Autoplay };
