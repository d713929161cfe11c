// The start-up sequence and the opening of files while the viewer runs: a
// file that cannot be opened is reported once and the window keeps the file
// it has; pasted text opens as an unnamed file of its own.
#include "app/game_file.h"
#include "app/main_window.h"
#include "app/open_file.h"
#include "app/pasted_games.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "app/tree_controller.h"
#include "collection/game_list_core.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "platform/error_text.h"
#include "platform/guarded.h"
#include "platform/platform.h"
#include "source/block_file.h"
#include "source/pipe_source.h"
#include "version.h"

namespace {

// The text the guard shows for the exception in flight, for the status bar
// (called where the guard's undo runs, inside its catch).
QString TextOfCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        return TextFromBytes(UserErrorText(e));
    } catch (...) {
        return QString::fromLatin1(kUnexpectedErrorText);
    }
}

}  // namespace

void TMainWindow::Activate(QObject*) {
    if (started_) return;
    started_ = true;
    Platform& platform = Platform::Get();
    if (params_.isEmpty()) {
        // Started from a menu or a file manager without a file: ask for one.
        const QString chosen = Opener->AskForFile();
        if (!chosen.isEmpty()) params_ = QStringList{chosen};
    }
    if (params_.isEmpty()) {
        platform.ShowMessage(this, QStringLiteral("No params, I have to exit"), TMessageKind::Information);
        close();
        return;
    }
    const std::string file = GameFilePath(params_.first());
    const QString path = TextFromBytes(file);
    if (file != kStandardInput && !FileExists(file)) {
        platform.ShowMessage(this, NoGameFileText(file), TMessageKind::Information);
        close();
        return;
    }
    // A file that cannot be opened at the start leaves an empty list that says
    // "0 games": the window stays for the next file.
    if (!OpenGameFile(file)) {
        setWindowTitle(QStringLiteral("Quarzel PGN Viewer " QUARZEL_VERSION "   [") + path +
                       QStringLiteral("]   ") + GamesText(0));
        Tree->FileClosing();
        if (GameList->FileOpen()) Guarded(this, [&] { GameList->ScanFile(std::string()); });
        Guarded(this, [&] { OpenFirstGame(); });
    }
}

bool TMainWindow::OpenGameFile(const std::string& file, const QString& shownName) {
    const QString path = shownName.isEmpty() ? TextFromBytes(file) : shownName;
    const std::string before = GameList->FileOpen() ? GameList->FileName() : std::string();
    // A large (or compressed) file takes a while: its progress shows below.
    GameList->OnPGNTrace = [this](TGameListCore&, std::int32_t percent, TCancelMode&) { Status->ScanProgress(percent > 0 ? percent : -1); };
    struct TraceOff {
        TMainWindow& form;
        ~TraceOff() {
            form.GameList->OnPGNTrace = nullptr;
            form.Status->ScanProgress(-1);
        }
    } traceOff{*this};
    // Whatever file the list holds at the end (the new one, or the old one
    // kept when the new one is refused) has its opening tree.
    struct TreeFollows {
        TMainWindow& form;
        ~TreeFollows() { Guarded(&form, [this] { form.Tree->FileShown(); }); }
    } treeFollows{*this};
    bool standardInputOpen = false;
    QString fault;
    const bool read = Guarded(
        this,
        [&] {
            // The tree's workers read the list's index: they end before it changes.
            Tree->FileClosing();
            if (file == kStandardInput) {
                standardInputOpen = OpenStandardInput();
                return;
            }
            // The same file again is read anew (it may have grown): closed first.
            if (file == before) GameList->ScanFile(std::string());
            GameList->ScanFile(file);
            // A database game's text is made from its record: copies write its tags from there.
            Notation->Core().TagsFromRecord = GameList->Core().DatabaseMode();
        },
        [&] { fault = TextOfCurrentException(); });
    if (!read) return KeepGamesBeforeFault(fault, file, path);
    if (file == kStandardInput) return standardInputOpen;
    if (!GameList->FileOpen() || GameList->FileName() != file) {
        // Say why: not PGN, unreadable, a locked or damaged database. The
        // file open before is still open (the list refused the new one
        // before closing it). A second attempt on a core of its own names the reason.
        TGameListCore probe;
        probe.BeforeCreatePGNFile = [](TGameListCore&, const std::string&, bool& create) { create = false; };
        std::string reason;
        if (probe.OpenForReading(file, reason) || reason.empty()) reason = "cannot open " + file;
        const QString text = TextFromBytes(reason);
        Platform::Get().ShowMessage(this, text, TMessageKind::Error);
        Status->Tell(text);
        return false;
    }
    if (shownName.isEmpty()) {
        Opener->Remember(ArgumentText(file.c_str()));  // the path itself, also for a URI
        Pasted->Release();
    }
    Opened(path);
    return true;
}

void TMainWindow::Opened(const QString& path) {
    Search->Reset();
    setWindowTitle(QStringLiteral("Quarzel PGN Viewer " QUARZEL_VERSION "   [") + path + QStringLiteral("]   ") +
                   GamesText(GameList->GameCount()));
    Status->FileShown(path + QStringLiteral(": ") + GamesText(GameList->GameCount()));
    Guarded(this, [&] { OpenFirstGame(); });
}

bool TMainWindow::OpenStandardInput() {
    // Read once, as it comes: kept in a private unnamed file (compressed as it
    // came) so that any game can be shown.
    std::string error;
    const QString shown = QStringLiteral("standard input");
    Notation->Core().TagsFromRecord = false;
    if (!GameList->OpenSource(::OpenStandardInput(TStdinUse::RandomAccess), kStandardInput, error))
        return ReadingFailed(TextFromBytes(error), kStandardInput, shown);
    Pasted->Release();
    Opened(shown);
    return true;
}

bool TMainWindow::ReadingFailed(const QString& text, const std::string& file, const QString& shownPath) {
    Platform::Get().ShowMessage(this, text, TMessageKind::Error);
    return KeepGamesBeforeFault(text, file, shownPath);
}

bool TMainWindow::KeepGamesBeforeFault(const QString& text, const std::string& file, const QString& shownPath) {
    // A file that breaks off part way (damaged, cut short) stays open with
    // the games before the fault, the fault named in the status bar.
    const bool partly = GameList->FileOpen() && GameList->FileName() == file && GameList->GameCount() > 0;
    if (partly) Opened(shownPath);
    Status->Tell(text);
    return partly;
}

void TMainWindow::OpenFile(const QString& path) {
    if (!started_) {
        params_ = QStringList{path};
        Activate(this);
        return;
    }
    const std::string file = GameFilePath(path);
    if (!FileExists(file)) {
        const QString text = NoGameFileText(file);
        Platform::Get().ShowMessage(this, text, TMessageKind::Information);
        Status->Tell(text);
        return;
    }
    // A running search reads the open file's index: it ends first. Its hits
    // stay listed should the new file not open.
    Search->Cancel();
    OpenGameFile(file);
}

void TMainWindow::OpenPastedText(const QString& text) {
    std::string error;
    const std::string file = Pasted->Open(text.toUtf8().toStdString(), error);
    if (file.empty()) {
        const QString message = QString::fromStdString(error);
        Platform::Get().ShowMessage(this, message, TMessageKind::Information);
        Status->Tell(message);
        return;
    }
    Search->Cancel();
    if (OpenGameFile(file, QStringLiteral("pasted")))
        Pasted->Keep(file);
    else
        Pasted->Drop(file);
}
