#include "platform/offscreen_qt.h"

#include <QDir>
#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <string>

namespace {

// The runtime folder this process made; removed at exit. QDir removes a
// link it finds inside, never what the link points to.
class TRuntimeFolder {
public:
    explicit TRuntimeFolder(std::string path) : path_(std::move(path)) {}
    ~TRuntimeFolder() { QDir(QString::fromLocal8Bit(path_.c_str())).removeRecursively(); }
    TRuntimeFolder(const TRuntimeFolder&) = delete;
    TRuntimeFolder& operator=(const TRuntimeFolder&) = delete;

private:
    std::string path_;
};

}  // namespace

void PrepareOffscreenQt() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    // mkdtemp makes the folder itself, mode 0700, and fails rather than
    // follow anything already at the name.
    std::string dir = QDir::tempPath().toStdString() + "/quarzel-runtime-XXXXXX";
    if (!::mkdtemp(dir.data())) return;  // Qt then only warns
    static TRuntimeFolder folder(dir);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir));
}
