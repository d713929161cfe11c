// Widgets drawn without a screen (quarzel-cli's pictures, the benchmarks)
// use Qt's offscreen platform unless another is chosen. Qt wants a runtime
// folder: XDG_RUNTIME_DIR when set, else a fresh private folder made for
// this process (never a fixed name, which another user could have put a
// link at), removed again when the process ends.
#pragma once

void PrepareOffscreenQt();
