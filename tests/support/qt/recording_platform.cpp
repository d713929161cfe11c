#include "support/qt/recording_platform.h"

RecordingPlatform::RecordingPlatform() : previous_(Platform::Install(this)) {}

RecordingPlatform::~RecordingPlatform() { Platform::Install(previous_); }

void RecordingPlatform::ShowMessage(QWidget*, const QString& text, TMessageKind kind) {
    messages.push_back({text, kind});
}

int RecordingPlatform::ExecModal(QDialog* dialog) {
    ++modals;
    return onModal ? onModal(dialog) : 0;
}

QString RecordingPlatform::ChooseOpenFile(QWidget*, const QString& caption, const QString& folder,
                                         const QString& filters) {
    fileDialogs.push_back({caption, folder, filters});
    return onChooseFile ? onChooseFile() : QString();
}
