// quarzel-cli board: renders a position through the board widget, offscreen,
// and writes the picture as PNG (a diagram export).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <memory>
#include <string>
#include <unistd.h>

#include "platform/platform.h"
#include "board/qt/board_widget.h"
#include "board/piece_sheet.h"
#include "cli/command.h"
#include "rules/fen.h"

namespace {

// Keeps the board's messages instead of showing boxes nobody could close.
class CliPlatform final : public Platform {
public:
    void ShowMessage(QWidget*, const QString& text, TMessageKind) override {
        if (message.isEmpty()) message = text;
    }
    void Beep() override {}
    void SetClipboardText(const QString& text) override { clipboard = text; }
    QString ClipboardText() override { return clipboard; }
    void SetBusyCursor(bool) override {}
    int ExecModal(QDialog*) override { return 0; }
    QString message;
    QString clipboard;
};

int RunBoard(const CliArgs& args);

const CliCommand kBoard{"board", "\"<FEN>\" OUT.png [--size S] [--set NAME] [--user FILE] [--flip] [--coords]",
                        "render a position as a PNG diagram (Black's view with --flip; file letters and rank "
                        "numbers in the edge squares with --coords; at device resolution under QT_SCALE_FACTOR)",
                        RunBoard};

int RunBoard(const CliArgs& args) {
    std::string fen, out, setName, userFile;
    long long size = 33;
    bool sizeGiven = false;
    bool flip = false;
    bool coords = false;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (a == "--size") {
            std::string v;
            if (!value(v) || !cli::ParseInt(v, size)) return cli::UsageError(kBoard);
            sizeGiven = true;
        } else if (a == "--set") {
            if (!value(setName)) return cli::UsageError(kBoard);
        } else if (a == "--flip") {
            flip = true;
        } else if (a == "--coords") {
            coords = true;
        } else if (a == "--user") {
            if (!value(userFile)) return cli::UsageError(kBoard);
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            return cli::UsageError(kBoard);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return cli::UsageError(kBoard);
    fen = positional[0];
    out = positional[1];
    if (size < 10 || size > 99) return cli::Fail("size must be 10 to 99 pixels per square");
    if (!setName.empty() && !userFile.empty()) return cli::Fail("--set and --user exclude each other");

    TSchachbrett position = EmptyBoard;
    TZug state = FreshState();
    uint16_t moveNo = 1;
    if (!FENToPosition(fen, position, state, moveNo)) return cli::Fail("not a valid FEN: " + fen);

    TFigurenset set = BuiltInSetForSquare(static_cast<int>(size));
    if (!setName.empty()) {
        if (!FigurensetFromName(setName, set) || set == TFigurenset::User)
            return cli::Fail("unknown piece set '" + setName + "' (F32, WinboardF21 ... WinboardF80)");
        if (!sizeGiven) size = PieceCellSize(set);
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // A private runtime folder keeps Qt from warning about a missing one.
        QString dir = QDir::tempPath() + "/quarzel-runtime-" + QString::number(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
    std::unique_ptr<QApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "quarzel-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    CliPlatform platform;
    Platform* previous = Platform::Install(&platform);
    struct Restore {
        Platform* p;
        ~Restore() { Platform::Install(p); }
    } restore{previous};

    TBrett board;
    // The viewer's own look: light squares white, dark squares sky blue.
    board.SetBlackSquareColor(QColor(166, 202, 240));
    board.SetGroesse(static_cast<int>(size));
    board.SetFlipped(flip);
    board.SetCoordinates(coords);
    // With QT_SCALE_FACTOR (or a high-resolution screen) the picture gets
    // device pixels, drawn from the set of the device square size.
    board.SetDeviceRatio(qApp->devicePixelRatio());
    if (!userFile.empty()) {
        board.SetUserFiguren(QString::fromLocal8Bit(userFile.c_str()));
        if (!platform.message.isEmpty())
            return cli::Fail(userFile + ": " + platform.message.toStdString());
    } else {
        board.SetFiguren(set);
    }
    board.ShowPosition(position, state);
    if (!board.Picture().save(QString::fromLocal8Bit(out.c_str()), "PNG"))
        return cli::Fail("cannot write " + out);
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kBoard);
