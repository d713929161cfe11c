// quarzel-cli board: renders a position (from a FEN, or a game's move with the
// arrows and squares of its comment) through the board widget, offscreen,
// and writes the picture as PNG (a diagram export).
#include <QApplication>
#include <QImage>
#include <memory>
#include <string>

#include "board/piece_sheet.h"
#include "board/qt/board_coordinates.h"
#include "board/qt/board_widget.h"
#include "cli/command.h"
#include "cli/game_reading.h"
#include "notation/comment_commands.h"
#include "notation/notation_core.h"
#include "platform/platform.h"
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

const CliCommand kBoard{"board",
                        "(\"<FEN>\" | --game FILE N [--ply P] [--no-marks]) OUT.png [--size S] [--set NAME] "
                        "[--user FILE] [--flip] [--coords]",
                        "render a position as a PNG diagram (Black's view with --flip; file letters and rank "
                        "numbers beside the board with --coords; at device resolution under QT_SCALE_FACTOR)",
                        RunBoard,
                        "Draws 8 x S pixels square (S from 10 to 99, default 33), light squares white, dark\n"
                        "squares sky blue, a1 bottom-left (--flip: h8). Without --set the largest built-in\n"
                        "set whose cells fit the square is used; --set takes F32, WinboardF21 ... WinboardF80\n"
                        "(any case). --user FILE loads a piece sheet (BMP or PNG, 12 cells wide, image half\n"
                        "over mask half). --coords adds a margin left of and below the board with the rank\n"
                        "numbers and file letters.\n"
                        "With --game: the position after P plies of game N's main line (default: its end),\n"
                        "its last move tinted, with the arrows and coloured squares of that move's comment\n"
                        "([%cal], [%csl]) unless --no-marks is given."};

// The position after `ply` plies of the main line (-1: its end) and the
// marks of that move's comment.
bool GamePosition(const std::string& file, long long number, long long ply, TBoard& position, TMoveRecord& state,
                  TCastlingRooks& rooks, TBoardMarks& marks, std::string& error) {
    TNotationCore core;
    if (!cli::LoadGameOfFile(file, number, core, error)) return false;
    long long plies = 0;
    TMoveNode* move = nullptr;
    for (TMoveNode* n = core.Root ? core.Root->FirstMove : nullptr; n && (ply < 0 || plies < ply); n = n->Next, ++plies)
        move = n;
    if (ply > plies) {
        error = "game " + std::to_string(number) + " has " + std::to_string(plies) + " plies in its main line";
        return false;
    }
    core.SetCurrent(move);
    position = core.Board;
    state = move ? move->Move : core.Game.StartState;
    rooks = core.Game.CastlingRooks;
    marks = CurrentMarks(core);
    return true;
}

int RunBoard(const CliArgs& args) {
    std::string fen, out, setName, userFile;
    long long size = 33;
    long long ply = -1;
    bool sizeGiven = false;
    bool flip = false;
    bool coords = false;
    bool game = false;
    bool noMarks = false;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (a == "--size" || a == "--ply") {
            std::string v;
            long long& into = a == "--size" ? size : ply;
            if (!value(v) || !cli::ParseInt(v, into) || into < 0) return cli::UsageError(kBoard);
            sizeGiven = sizeGiven || a == "--size";
        } else if (a == "--set") {
            if (!value(setName)) return cli::UsageError(kBoard);
        } else if (a == "--flip") {
            flip = true;
        } else if (a == "--coords") {
            coords = true;
        } else if (a == "--game") {
            game = true;
        } else if (a == "--no-marks") {
            noMarks = true;
        } else if (a == "--user") {
            if (!value(userFile)) return cli::UsageError(kBoard);
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            return cli::UsageError(kBoard);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != (game ? 3u : 2u) || (!game && (ply >= 0 || noMarks))) return cli::UsageError(kBoard);
    out = positional.back();
    if (size < 10 || size > 99) return cli::Fail("size must be 10 to 99 pixels per square");
    if (!setName.empty() && !userFile.empty()) return cli::Fail("--set and --user exclude each other");

    TBoard position = EmptyBoard;
    TMoveRecord state = FreshState();
    TCastlingRooks rooks;
    TBoardMarks marks;
    if (game) {
        long long number = 0;
        if (!cli::ParseInt(positional[1], number) || number < 1) return cli::UsageError(kBoard);
        std::string error;
        if (!GamePosition(positional[0], number, ply, position, state, rooks, marks, error)) return cli::Fail(error);
        if (noMarks) marks = {};
    } else {
        fen = positional[0];
        uint16_t moveNo = 1;
        if (!FENToPosition(fen, position, state, moveNo)) return cli::Fail("not a valid FEN: " + fen);
    }

    TPieceSet set = BuiltInSetForSquare(static_cast<int>(size));
    if (!setName.empty()) {
        if (!PieceSetFromName(setName, set) || set == TPieceSet::User)
            return cli::Fail("unknown piece set '" + setName + "' (F32, WinboardF21 ... WinboardF80)");
        if (!sizeGiven) size = PieceCellSize(set);
    }

    auto app = cli::StartOffscreenApp();
    CliPlatform platform;
    Platform* previous = Platform::Install(&platform);
    struct Restore {
        Platform* p;
        ~Restore() { Platform::Install(p); }
    } restore{previous};

    TBoardWidget board;
    // The viewer's own look: light squares white, dark squares sky blue.
    board.SetBlackSquareColor(QColor(166, 202, 240));
    board.SetSquareSize(static_cast<int>(size));
    board.SetFlipped(flip);
    board.SetCoordinates(coords);
    board.SetMarkLastMove(game);
    board.CastlingRooks = rooks;
    // With QT_SCALE_FACTOR (or a high-resolution screen) the picture gets
    // device pixels, drawn from the set of the device square size.
    board.SetDeviceRatio(qApp->devicePixelRatio());
    if (!userFile.empty()) {
        board.SetUserPieceSet(QString::fromLocal8Bit(userFile.c_str()));
        if (!platform.message.isEmpty())
            return cli::Fail(userFile + ": " + platform.message.toStdString());
    } else {
        board.SetPieceSet(set);
    }
    board.ShowPosition(position, state);
    board.SetMarks(marks);
    const QImage picture = coords ? WithCoordinates(board.Rendered(), static_cast<int>(size), flip, Qt::white,
                                                    QColor(60, 60, 60))
                                  : board.Rendered();
    if (!picture.save(QString::fromLocal8Bit(out.c_str()), "PNG"))
        return cli::Fail("cannot write " + out);
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kBoard);
