#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "cli/command.h"
#include "collection/pgn_core.h"

namespace cli {

// Opens a game file for the listing commands. Progress of a long scan goes to
// standard error, only when that is a terminal.
bool OpenGameFile(TPGNCore& core, const std::string& path, std::string& error) {
    bool shown = false;
    if (::isatty(STDERR_FILENO)) {
        core.OnPGNTrace = [&shown](TPGNCore&, std::int32_t percent, TCancelMode&) {
            if (percent == 0) {
                if (shown) std::fputs("\r              \r", stderr);
                shown = false;
                return;
            }
            std::fprintf(stderr, "\rscanning %3d%%", percent > 100 ? 100 : static_cast<int>(percent));
            std::fflush(stderr);
            shown = true;
        };
    }
    const bool ok = core.OpenForReading(path, error);
    core.OnPGNTrace = nullptr;
    return ok;
}

}  // namespace cli

namespace {

int RunCount(const CliArgs& args);

const CliCommand kCount{"count", "FILE", "number of games in a PGN file", RunCount,
                        "Counts the games exactly as the viewer's scanner finds them (a game starts at\n"
                        "the first tag line of a tag section; a file of moves without tags is one\n"
                        "game). A .ccf database counts its undeleted games.",
                        true};

int RunCount(const CliArgs& args) {
    if (args.size() != 1) return cli::UsageError(kCount);
    TPGNCore core;
    std::string error;
    if (!cli::OpenGameFile(core, args[0], error)) return cli::Fail(error);
    std::cout << core.GameCount() << '\n';
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kCount);
