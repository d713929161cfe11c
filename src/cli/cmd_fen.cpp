#include <iostream>

#include "cli/command.h"
#include "rules/chess960.h"
#include "rules/fen.h"

namespace {

int RunFen(const CliArgs& args);

const CliCommand kFen{"fen", "\"<FEN>\"", "read a FEN text and print it as the viewer writes it", RunFen,
                     "Reads the text as the viewer reads a FEN tag (tolerantly: the letters after the\n"
                     "board in any order; castling in KQkq, X-FEN or Shredder letters) and prints it as\n"
                     "the viewer writes it: half-move clock always 0, castling by rook file for a\n"
                     "Chess960 position. Status 1 when the text is no FEN at all."};

int RunFen(const CliArgs& args) {
    if (args.size() != 1) return cli::UsageError(kFen);
    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
    uint16_t moveNo = 1;
    if (!FENToPosition(args[0], board, state, moveNo)) return cli::Fail("not a readable FEN: " + args[0]);
    const TCastlingRooks rooks = ReadCastlingRooks(args[0], board, state, false);
    std::cout << PositionToFEN(board, state, moveNo, rooks) << '\n';
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kFen);
