#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "search/opening_names.h"

namespace {

int RunOpening(const CliArgs& args);

const CliCommand kOpening{"opening", "FILE N", "ECO code and name of the opening of game N (from 1), tab-separated",
                          RunOpening,
                          "The opening is the last named position (of the program's 3,807 named lines)\n"
                          "that the main line reaches in its first 60 plies, as the viewer's Opening\n"
                          "column and header show it; a transposition into a named position counts. A\n"
                          "game that reaches none prints an empty line (a lone tab). Status 1 when FILE\n"
                          "holds no game N.",
                          true};

int RunOpening(const CliArgs& args) {
    if (args.size() != 2) return cli::UsageError(kOpening);
    long long n = 0;
    if (!cli::ParseInt(args[1], n) || n < 1) return cli::UsageError(kOpening);
    TGameListCore core;
    std::string error;
    std::string text;
    // Games are numbered by list row: in a database deleted games keep their rows.
    if (!cli::FetchRow(core, args[0], n, text, error, [&](std::int32_t count) {
            return "no game " + args[1] + " in " + args[0] + " (" + std::to_string(count) + " games)";
        }))
        return cli::Fail(error);
    const TOpeningName opening = OpeningOfGame(text);
    const std::string out = opening.Eco + "\t" + opening.Name + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : cli::Fail("cannot write the output");
}

}  // namespace

QUARZEL_CLI_COMMAND(kOpening);
