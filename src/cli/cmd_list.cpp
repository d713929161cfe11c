#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"

namespace {

int RunList(const CliArgs& args);

const CliCommand kList{"list", "FILE",
                       "one line per game: number, players, source, year, result (tab-separated)", RunList,
                       "The fields are drawn as the viewer's game list draws them: number from 1,\n"
                       "\"White - Black\", \"Event, Site\", year, result (1/2 for a draw); empty fields stay empty.",
                       true};

int RunList(const CliArgs& args) {
    if (args.size() != 1) return cli::UsageError(kList);
    TPGNCore core;
    std::string error;
    std::string line;
    const bool ok = cli::ReadRows(core, args[0], error, [&line](TPGNCore& c, std::int32_t first, std::int32_t end) {
        for (std::int32_t row = first; row < end; ++row) {
            const std::int32_t game = c.GameIndexOfRow(row);
            c.LoadRowHeader(game);
            const TRowTexts t = ComposeRowTexts(c.CurrentHeader, game);
            line = std::to_string(game + 1);
            for (const std::string* field : {&t.Player, &t.Source, &t.Year, &t.Result}) {
                line += '\t';
                line += DisplayUtf8(*field);
            }
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        return true;
    });
    if (!ok) return cli::Fail(error);
    if (std::fflush(stdout) != 0) return cli::Fail("cannot write the list");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kList);
