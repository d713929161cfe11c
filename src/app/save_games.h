// File > Save listed games as... (Ctrl+S): the games the list shows, in its
// order, written to a new file through the game writer (notation/
// game_writer.h): as the open file holds them, compressed by the name's
// ending. Never over the open file itself; the save dialog asks before it
// replaces another. Many games show a progress dialog whose Cancel leaves
// no file behind.
#pragma once

#include <QString>

class QWidget;
class TGameList;

// Asks for the name and writes; failures are told in a message box.
void SaveListedGames(QWidget* window, TGameList& list);
// The same to a path already chosen (the tests', and after the dialog).
// True when the file was written.
bool SaveListedGamesTo(QWidget* window, TGameList& list, const QString& path);
