#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "cli/notation_picture.h"
#include "collection/game_list_core.h"
#include "notation/layout.h"
#include "notation/measure.h"
#include "notation/notation_core.h"
#include "notation/shown_text.h"

namespace {

int RunNotation(const CliArgs& args);

const CliCommand kNotation{"notation",
                           "FILE N [--width W] [--german] [--headline] [--shown] [--png OUT.png [--height H]]",
                           "print the notation rows of game N: font, tab, row text", RunNotation,
                           "Rows are measured one unit per character against W minus the row's indent;\n"
                           "without --width they are not broken. --german uses German piece letters,\n"
                           "--headline adds the players and event rows. --shown prints the rows as the\n"
                           "viewer draws them (glyph symbols, no comment braces). --png OUT.png draws the\n"
                           "notation through the viewer's widget instead, at the main window's notation\n"
                           "size unless --width/--height say otherwise.",
                           true};

int RunNotation(const CliArgs& args) {
    std::string file;
    long long number = 0;
    long long width = 0;
    bool german = false;
    bool headline = false;
    bool shown = false;
    long long height = 0;
    std::string png;
    int positional = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--german") {
            german = true;
        } else if (a == "--headline") {
            headline = true;
        } else if (a == "--shown") {
            shown = true;
        } else if (a == "--width" || a == "--height") {
            long long& v = a == "--width" ? width : height;
            if (i + 1 >= args.size() || !cli::ParseInt(args[i + 1], v) || v < 1 || v > 1000000000)
                return cli::UsageError(kNotation);
            ++i;
        } else if (a == "--png") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return cli::UsageError(kNotation);
            png = args[++i];
        } else if (positional == 0) {
            file = a;
            ++positional;
        } else if (positional == 1) {
            if (!cli::ParseInt(a, number) || number < 1) return cli::UsageError(kNotation);
            ++positional;
        } else {
            return cli::UsageError(kNotation);
        }
    }
    if (positional != 2 || (height != 0 && png.empty())) return cli::UsageError(kNotation);

    TGameListCore pgn;
    std::string error;
    std::string text;
    // Games are numbered by list row, as by game and pgn: in a database
    // deleted games keep their rows.
    if (!cli::FetchRow(pgn, file, number, text, error, [&](std::int32_t count) {
            return "game " + std::to_string(number) + " not found: " + file + " holds " + std::to_string(count) + " games";
        }, TNotationCore::kMaxGameBytes))
        return cli::Fail(error);

    if (!png.empty()) {
        std::string error;
        if (!RenderNotationPicture(text, static_cast<int>(width), static_cast<int>(height), german, headline, png,
                                   error))
            return cli::Fail(error);
        return 0;
    }

    // One unit per character, the indents as the main window sets them.
    static const TUnitMeasure measure;
    TNotationCore core;
    TNotationDisplay& display = AttachLayout(core, &measure);
    display.Headline = headline;
    display.Indent0Var = 2;
    display.Indent1Var = 10;
    display.Indent2Var = 18;
    display.PaintWidth = static_cast<int>(width);
    core.SetEnglish(!german);
    const int loaded = core.LoadGame(text);
    if (loaded == lgTooLarge || loaded == lgNoMemory)
        return cli::Fail("game " + std::to_string(number) + " of " + file + ": " +
                         (loaded == lgTooLarge ? kGameTooLargeText : kNoMemoryText));

    std::string out;
    for (int i = 0; i < display.RowCount(); ++i) {
        out += FontPropertyName(display.Rows[static_cast<size_t>(i)].Font);
        out += '\t';
        out += shown ? ShownRowText(display, i) : display.RowText(i);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : cli::Fail("cannot write the output");
}

}  // namespace

QUARZEL_CLI_COMMAND(kNotation);
