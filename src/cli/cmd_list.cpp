#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "collection/game_sort.h"
#include "collection/row_texts.h"

namespace {

int RunList(const CliArgs& args);

const CliCommand kList{"list", "FILE [--sort COLUMN [--desc]]",
                       "one line per game: number, players, source, year, result (tab-separated)", RunList,
                       "The fields are drawn as the viewer's game list draws them: number from 1,\n"
                       "\"White - Black\", \"Event, Site\", year, result (1/2 for a draw); empty fields stay empty.\n"
                       "--sort prints the games in the order the viewer's table sorts them by COLUMN (a header\n"
                       "name in any case: Number, White, Black, \"White Elo\" or WhiteElo, Black Elo, Result, Date,\n"
                       "Event, Site, Round, ECO, Moves): text without regard to case or accents, numbers and\n"
                       "dates by value, empty values last, equal values by game number; --desc turns it round.",
                       true};

int RunList(const CliArgs& args) {
    std::string file, columnName;
    bool sort = false, descending = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sort" && i + 1 < args.size()) {
            sort = true;
            columnName = args[++i];
        } else if (args[i] == "--desc") {
            descending = true;
        } else if (file.empty() && (args[i] == "-" || args[i].rfind("--", 0) != 0)) {
            file = args[i];
        } else {
            return cli::UsageError(kList);
        }
    }
    if (file.empty() || (descending && !sort)) return cli::UsageError(kList);
    TGameColumn column = TGameColumn::Number;
    if (sort && !GameColumnFromName(columnName, column))
        return cli::Fail("unknown column '" + columnName +
                         "' (Number, White, Black, White Elo, Black Elo, Result, Date, Event, Site, Round, ECO, Moves)");
    TGameListCore core;
    std::string error;
    std::string line;
    auto print = [&line](TGameListCore& c, std::int32_t game) {
        c.LoadRowHeader(game);
        const TRowTexts t = ComposeRowTexts(c.CurrentHeader, game);
        line = std::to_string(game + 1);
        for (const std::string* field : {&t.Player, &t.Source, &t.Year, &t.Result}) {
            line += '\t';
            // A tab inside a tag value is a blank here: the columns stay apart.
            const std::size_t from = line.size();
            line += DisplayUtf8(*field);
            std::replace(line.begin() + static_cast<std::ptrdiff_t>(from), line.end(), '\t', ' ');
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    };
    if (sort) {
        // Sorting needs every game at hand: a pipe is kept whole (privately).
        if (!cli::ReadRows(core, file, error)) return cli::Fail(error);
        for (const std::int32_t game : SortListGames(core, column, descending)) print(core, game);
        if (core.FileChanged()) return cli::Fail(cli::ChangedText(file));
    } else if (!cli::ReadRows(core, file, error, [&print](TGameListCore& c, std::int32_t first, std::int32_t end) {
                   for (std::int32_t row = first; row < end; ++row) print(c, c.GameIndexOfRow(row));
                   return true;
               })) {
        return cli::Fail(error);
    }
    if (std::fflush(stdout) != 0) return cli::Fail("cannot write the list");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kList);
