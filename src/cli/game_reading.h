// Shared by the commands that draw one game: reading game N of a file into
// a notation core, and a Qt application for drawing offscreen.
#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "notation/notation_core.h"

namespace cli {

// Loads game `number` (from 1, numbered by list row) of `file` into `core`
// (with a layout attached, English piece letters). False with a message in
// `error` when the file or the game cannot be read.
bool LoadGameOfFile(const std::string& file, long long number, TNotationCore& core, std::string& error);

// A QApplication on the offscreen platform (unless QT_QPA_PLATFORM says
// otherwise) with a private runtime folder; null when one already runs.
// Widgets drawn for a command never wait for a person: what they would say
// in a message box is kept for LastWidgetError, modal dialogs are declined.
std::unique_ptr<QApplication> StartOffscreenApp();

// The last error a widget reported since the application started (empty: none).
std::string LastWidgetError();

}  // namespace cli
