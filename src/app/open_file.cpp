#include "app/open_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "app/game_file.h"
#include "app/settings.h"
#include "platform/platform.h"
#include "source/block_file.h"

namespace {

const char kRecentKey[] = "recentFiles";
const char kFolderKey[] = "lastFolder";

// The first local file of a drag, or empty.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

// Text without a file in it (a PGN or FEN dragged from a browser or editor).
bool DroppedText(const QMimeData* data) { return data && !data->hasUrls() && data->hasText(); }

// Paths are kept in the settings as their bytes: a file name that is not
// UTF-8 comes back as it was (text would lose such bytes). A path kept as
// text by an earlier version is read as well.
QVariant StoredPath(const QString& path) { return QByteArray::fromStdString(GameFilePath(path)); }
QString PathOf(const QVariant& stored) {
    if (stored.typeId() == QMetaType::QByteArray) return ArgumentText(stored.toByteArray().constData());
    return stored.toString();
}
void StoreRecent(const QStringList& files) {
    QVariantList stored;
    for (const QString& f : files) stored << StoredPath(f);
    QuarzelSettings()->setValue(QString::fromLatin1(kRecentKey), stored);
}

}  // namespace

TFileOpener::TFileOpener(QWidget* window, QWidget* menuOwner) : QObject(window), window_(window) {
    window_->setAcceptDrops(true);
    window_->installEventFilter(this);

    open_ = new QAction(QStringLiteral("&Open..."), menuOwner);
    open_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open_, &QAction::triggered, this, [this] {
        const QString path = AskForFile();
        if (!path.isEmpty()) Choose(path);
    });
    separator_ = new QAction(menuOwner);
    separator_->setSeparator(true);
    menuOwner->addAction(open_);
    menuOwner->addAction(separator_);
    for (int i = 0; i < kMaxRecent; ++i) {
        auto* action = new QAction(menuOwner);
        action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
        connect(action, &QAction::triggered, this, [this, action] {
            const QString path = action->data().toString();
            if (path.isEmpty()) return;
            if (!FileExists(GameFilePath(path))) {
                // Gone since: off the list (the owner still says so).
                QStringList files = RecentFiles();
                files.removeAll(path);
                StoreRecent(files);
                UpdateRecentActions();
            }
            Choose(path);
        });
        menuOwner->addAction(action);
        recent_.push_back(action);
    }
    menuOwner->setContextMenuPolicy(Qt::ActionsContextMenu);
    UpdateRecentActions();
}

QString TFileOpener::Filters() {
    // Compressed files are told by their content; these are their usual names.
    return QStringLiteral(
        "Game files (*.pgn *.PGN *.ccf *.CCF *.gz *.bz2 *.xz *.zst *.zip);;PGN files (*.pgn *.PGN);;"
        "Compressed PGN files (*.pgn.gz *.pgn.bz2 *.pgn.xz *.pgn.zst *.gz *.bz2 *.xz *.zst *.zip);;"
        "Game databases (*.ccf *.CCF);;All files (*)");
}

QString TFileOpener::AskForFile() {
    QString folder = LastFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::currentPath();
    return Platform::Get().ChooseOpenFile(window_, Caption(), folder, Filters());
}

void TFileOpener::Remember(const QString& path) {
    // Made absolute byte for byte (QFileInfo would replace bytes that are not UTF-8).
    std::string bytes = GameFilePath(path);
    if (!bytes.empty() && bytes[0] != '/') {
        if (char* cwd = ::getcwd(nullptr, 0)) {
            bytes = std::string(cwd) + "/" + bytes;
            std::free(cwd);
        }
    }
    const QString file = ArgumentText(bytes.c_str());
    const QString folder = ArgumentText(bytes.substr(0, std::max<size_t>(bytes.rfind('/'), 1)).c_str());
    QStringList files = RecentFiles();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kMaxRecent) files.removeLast();
    StoreRecent(files);
    QuarzelSettings()->setValue(QString::fromLatin1(kFolderKey), StoredPath(folder));
    UpdateRecentActions();
}

QStringList TFileOpener::RecentFiles() const {
    QStringList files;
    for (const QVariant& stored : QuarzelSettings()->value(QString::fromLatin1(kRecentKey)).toList())
        files << PathOf(stored);
    files.removeAll(QString());
    while (files.size() > kMaxRecent) files.removeLast();
    return files;
}

QString TFileOpener::LastFolder() const { return PathOf(QuarzelSettings()->value(QString::fromLatin1(kFolderKey))); }

void TFileOpener::UpdateRecentActions() {
    const QStringList files = RecentFiles();
    separator_->setVisible(!files.isEmpty());
    for (int i = 0; i < kMaxRecent; ++i) {
        QAction* action = recent_[static_cast<std::size_t>(i)];
        const bool used = i < files.size();
        const QString file = used ? files[i] : QString();
        action->setData(file);
        // An "&" in a path is text, not a mnemonic.
        action->setText(QStringLiteral("&%1  %2").arg(i + 1).arg(QString(file).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setVisible(used);
        action->setEnabled(used);
    }
}

void TFileOpener::Choose(const QString& path) {
    emit FileChosen(path);
}

bool TFileOpener::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!DroppedFile(drag->mimeData()).isEmpty() || DroppedText(drag->mimeData())) drag->acceptProposedAction();
        return true;
    }
    if (watched == window_ && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedFile(drop->mimeData());
        if (path.isEmpty() && DroppedText(drop->mimeData())) {
            drop->acceptProposedAction();
            const QString text = drop->mimeData()->text();
            QMetaObject::invokeMethod(this, [this, text] { emit TextDropped(text); }, Qt::QueuedConnection);
            return true;
        }
        if (path.isEmpty()) return true;
        drop->acceptProposedAction();
        // Opened after the drop has ended: a long scan must not keep the
        // dragging program waiting.
        QMetaObject::invokeMethod(this, [this, path] { Choose(path); }, Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
