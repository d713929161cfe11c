// Where the viewer keeps what it remembers between runs (recent files, the
// folder of the last file dialog, the window's geometry): one settings file,
// ~/.config/quarzel/viewer.conf on Linux. Every part of the viewer opens it
// through QuarzelSettings() so that all of them read and write the same file.
#pragma once

#include <QSettings>
#include <memory>

inline constexpr char kSettingsOrganization[] = "quarzel";
inline constexpr char kSettingsApplication[] = "viewer";

inline std::unique_ptr<QSettings> QuarzelSettings() {
    return std::make_unique<QSettings>(QString::fromLatin1(kSettingsOrganization),
                                       QString::fromLatin1(kSettingsApplication));
}
