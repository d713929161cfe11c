// The opening tree's settings as the viewer keeps them (openingTree/keepCache,
// openingTree/cacheMb in the settings file), and the small dialog that
// changes them. They apply from the next file opened.
#pragma once

#include "search/opening_tree.h"

class QWidget;

struct TTreeSettings {
    bool KeepCache = true;  // the records are kept on disk and read again next time
    int CacheMb = 2048;     // the cache folder's largest size, 16 to 1048576
    bool operator==(const TTreeSettings&) const = default;

    static TTreeSettings Load();
    void Save() const;
    TTreeCacheOptions CacheOptions() const;
};

// Shows the dialog; true when the user changed the settings (then saved).
bool EditTreeSettings(QWidget* parent, TTreeSettings& settings);
