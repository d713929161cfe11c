// The engine's settings as the viewer keeps them (engine/path, engine/threads,
// engine/hash, engine/lines in the settings file), and the small dialog that
// changes them.
#pragma once

#include <QString>

class QWidget;

struct TEngineSettings {
    QString Path;     // empty: the default engine (stockfish on PATH, else /usr/games/stockfish)
    int Threads = 1;  // 1 to 64
    int HashMb = 64;  // 1 to 4096
    int Lines = 3;    // 1 to 5
    bool operator==(const TEngineSettings&) const = default;

    static TEngineSettings Load();
    void Save() const;
    // The program to start.
    QString Program() const;
};

// Shows the dialog; true when the user changed the settings (then saved).
bool EditEngineSettings(QWidget* parent, TEngineSettings& settings);
