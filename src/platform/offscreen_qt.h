// Widgets drawn without a screen (quarzel-cli's pictures, the benchmarks)
// use Qt's offscreen platform unless another is chosen, with a private
// runtime folder so that Qt does not warn about a missing one.
#pragma once

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>

inline void PrepareOffscreenQt() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QString dir = QDir::tempPath() + "/quarzel-runtime-" + QString::number(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
}
