#include <iostream>

#include "cli/command.h"
#include "rules/chess960.h"
#include "rules/fen.h"
#include "rules/perft.h"

namespace {

int RunPerft(const CliArgs& args);

const CliCommand kPerft{"perft", "\"<FEN>\" DEPTH",
                        "count the leaf positions DEPTH plies deep (checks the legality test)", RunPerft,
                        "Tries every (from, to) pair with the program's legality test; a promotion counts\n"
                        "as four moves. A Chess960 FEN (rights by file letter, or KQkq that cannot mean the\n"
                        "standard squares) counts castling by rook file. DEPTH from 0 to 20; the FEN is\n"
                        "read as the fen command reads it."};

int RunPerft(const CliArgs& args) {
    long long depth = 0;
    if (args.size() != 2 || !cli::ParseInt(args[1], depth) || depth < 0 || depth > 20) return cli::UsageError(kPerft);
    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
    uint16_t moveNo = 1;
    if (!FENToPosition(args[0], board, state, moveNo)) return cli::Fail("not a readable FEN: " + args[0]);
    // A Chess960 FEN (rights by file letter, or "KQkq" that cannot mean the
    // standard squares) counts castling by rook file.
    const TCastlingRooks rooks = ReadCastlingRooks(args[0], board, state, false);
    std::cout << Perft(board, state, static_cast<int>(depth), rooks) << '\n';
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kPerft);
