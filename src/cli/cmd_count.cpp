#include <iostream>

#include "cli/command.h"
#include "cli/game_input.h"

namespace {

int RunCount(const CliArgs& args);

const CliCommand kCount{"count", "FILE", "number of games in a PGN file", RunCount,
                        "Counts the games exactly as the viewer's scanner finds them (a game starts at\n"
                        "the first tag line of a tag section; a file of moves without tags is one\n"
                        "game). A .ccf database counts its undeleted games.",
                        true};

int RunCount(const CliArgs& args) {
    if (args.size() != 1) return cli::UsageError(kCount);
    TGameListCore core;
    std::string error;
    // Counting needs no game text: a pipe is read and let go.
    if (!cli::ReadRows(core, args[0], error, [](TGameListCore&, std::int32_t, std::int32_t) { return true; }))
        return cli::Fail(error);
    std::cout << core.GameCount() << '\n';
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kCount);
