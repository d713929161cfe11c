#include <cstdio>
#include <string>

#include "cli/command.h"
#include "collection/pgn_core.h"

namespace cli {
bool OpenGameFile(TPGNCore& core, const std::string& path, std::string& error);
}

namespace {

int RunGame(const CliArgs& args);

const CliCommand kGame{"game", "FILE N", "text of game N (from 1) as the viewer fetches it", RunGame,
                      "Status 1 when FILE holds no game N.", true};

int RunGame(const CliArgs& args) {
    if (args.size() != 2) return cli::UsageError(kGame);
    long long n = 0;
    if (!cli::ParseInt(args[1], n)) return cli::UsageError(kGame);
    TPGNCore core;
    std::string error;
    if (!cli::OpenGameFile(core, args[0], error)) return cli::Fail(error);
    // Games are numbered by list row: in a database deleted games keep their rows.
    if (n < 1 || n > core.RowCount())
        return cli::Fail("no game " + args[1] + " in " + args[0] + " (" + std::to_string(core.RowCount()) + " games)");
    std::int32_t id = -1;
    std::string text;
    core.GetGame(static_cast<std::int32_t>(n - 1), id, text);
    if (id == -1) return cli::Fail("cannot read game " + args[1] + " of " + args[0]);
    const std::string out = DisplayUtf8(text) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0) return cli::Fail("cannot write the game");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kGame);
