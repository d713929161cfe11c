#include "app/open_file.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "app/settings.h"
#include "platform/platform.h"

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
            if (!QFileInfo::exists(path)) {
                // Gone since: off the list (the owner still says so).
                QStringList files = RecentFiles();
                files.removeAll(path);
                QuarzelSettings()->setValue(QString::fromLatin1(kRecentKey), files);
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
    const QFileInfo info(path);
    const QString file = info.absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kMaxRecent) files.removeLast();
    auto settings = QuarzelSettings();
    settings->setValue(QString::fromLatin1(kRecentKey), files);
    settings->setValue(QString::fromLatin1(kFolderKey), info.absolutePath());
    settings.reset();
    UpdateRecentActions();
}

QStringList TFileOpener::RecentFiles() const {
    QStringList files = QuarzelSettings()->value(QString::fromLatin1(kRecentKey)).toStringList();
    files.removeAll(QString());
    while (files.size() > kMaxRecent) files.removeLast();
    return files;
}

QString TFileOpener::LastFolder() const { return QuarzelSettings()->value(QString::fromLatin1(kFolderKey)).toString(); }

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
    if (OnOpen) OnOpen(path);
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
            QMetaObject::invokeMethod(this, [this, text] { if (OnText) OnText(text); }, Qt::QueuedConnection);
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
