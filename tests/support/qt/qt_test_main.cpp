// Entry of the widget test programs: a QApplication on the offscreen platform
// (unless one is chosen), then every GoogleTest case.
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/offscreen_qt.h"

int main(int argc, char** argv) {
    // The opening tree's cache too: a folder of this run, removed after it.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    PrepareOffscreenQt();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // What the viewer remembers (recent files, folders) goes to a folder of
    // this test program's run only, never to the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    return RUN_ALL_TESTS();
}
