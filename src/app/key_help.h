// The Help window listing every key of the main window.
#pragma once

#include <QString>

class QWidget;

// The keys as rows of an HTML table (what the window shows).
QString KeyHelpHtml();
// Shows the window (one per main window; raised when shown already).
void ShowKeyHelp(QWidget* owner);
