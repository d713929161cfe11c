#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "collection/row_texts.h"

namespace {

int RunGame(const CliArgs& args);

const CliCommand kGame{"game", "FILE N", "text of game N (from 1) as the viewer fetches it", RunGame,
                      "Status 1 when FILE holds no game N.", true};

int RunGame(const CliArgs& args) {
    if (args.size() != 2) return cli::UsageError(kGame);
    long long n = 0;
    if (!cli::ParseInt(args[1], n)) return cli::UsageError(kGame);
    TGameListCore core;
    std::string error;
    std::string text;
    // Games are numbered by list row: in a database deleted games keep their rows.
    auto missing = [&](std::int32_t count) {
        return "no game " + args[1] + " in " + args[0] + " (" + std::to_string(count) + " games)";
    };
    if (n < 1) {
        if (!cli::ReadRows(core, args[0], error)) return cli::Fail(error);
        return cli::Fail(missing(core.RowCount()));
    }
    if (!cli::FetchRow(core, args[0], n, text, error, missing)) return cli::Fail(error);
    const std::string out = DisplayUtf8(text) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0) return cli::Fail("cannot write the game");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kGame);
