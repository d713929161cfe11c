#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "notation/layout.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"

namespace {

int RunPgn(const CliArgs& args);

const CliCommand kPgn{"pgn", "FILE N", "load game N (from 1) and print it as the viewer writes PGN", RunPgn,
                     "Prints exactly the text that \"PGN to Clipboard\" copies (LF line ends): every tag\n"
                     "line as the file has it (the seven required tags first), an empty line and the\n"
                     "movetext (glyphs as $n, variations in brackets), lines broken at the first blank\n"
                     "after 71 counted characters, inside comments after 60.",
                     true};

int RunPgn(const CliArgs& args) {
    if (args.size() != 2) return cli::UsageError(kPgn);
    long long number = 0;
    if (!cli::ParseInt(args[1], number) || number < 1) return cli::UsageError(kPgn);
    TGameListCore pgn;
    std::string error;
    std::string text;
    // Games are numbered by list row: in a database deleted games keep their rows.
    if (!cli::FetchRow(pgn, args[0], number, text, error, [&](std::int32_t count) {
            return "game " + args[1] + " not found: " + args[0] + " holds " + std::to_string(count) + " games";
        }, TNotationCore::kMaxGameBytes))
        return cli::Fail(error);

    TNotationCore core;
    AttachLayout(core);
    core.SetEnglish(true);
    core.TagsFromRecord = pgn.DatabaseMode();
    const int loaded = core.LoadGame(text);
    if (loaded == lgTooLarge || loaded == lgNoMemory)
        return cli::Fail("game " + args[1] + " of " + args[0] + ": " +
                         (loaded == lgTooLarge ? kGameTooLargeText : kNoMemoryText));
    std::string out;
    WritePGN(core, false, out, false);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : cli::Fail("cannot write the output");
}

}  // namespace

QUARZEL_CLI_COMMAND(kPgn);
