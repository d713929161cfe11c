// The Help windows: every key of the main window, and About.
#pragma once

#include <QString>

class QWidget;

// The keys as rows of an HTML table (what the window shows).
QString KeyHelpHtml();
// Shows the window (one per main window; raised when shown already).
void ShowKeyHelp(QWidget* owner);
// The About window: version, licence and credits.
QString AboutHtml();
void ShowAbout(QWidget* owner);
