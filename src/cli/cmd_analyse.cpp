// quarzel-cli analyse: a UCI engine's lines for one position, from a FEN or
// from a game of a file, through the viewer's own engine driver.
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/game_reading.h"
#include "engine/uci_engine.h"

namespace {

int RunAnalyse(const CliArgs& args);

const CliCommand kAnalyse{
    "analyse", "(--fen FEN | --game FILE N [--ply P]) [--depth D] [--multipv K] [--threads T] [--hash MB] [--engine PATH]",
    "print a UCI engine's lines for a position", RunAnalyse,
    "The engine searches the position to depth D (15 unless told) with K lines (1 to\n"
    "500, never more than the legal moves); the lines of the last depth that every\n"
    "line reached are printed, one a line: RANK, DEPTH, SCORE and the moves in short\n"
    "algebraic notation, separated by tabs. The score is White's view: +0.35, -1.20,\n"
    "#5 (White mates in 5), #-3 (Black mates in 3). --game takes game N of FILE at\n"
    "ply P of its main line (the end unless told); a FEN whose castling letters name\n"
    "rooks off the standard corners is Chess960. THREADS 1 and HASH 16 unless told.\n"
    "The engine is \"stockfish\" on PATH, else /usr/games/stockfish. A position without\n"
    "a legal move prints nothing; an engine that is missing or fails is one line on\n"
    "standard error and status 1."};

struct TAnalyseArgs {
    std::string Fen, File, Engine;
    long long Game = 0, Ply = -1, Depth = 15, Lines = 1, Threads = 1, Hash = 16;
};

bool ReadArgs(const CliArgs& args, TAnalyseArgs& a) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& key = args[i];
        auto value = [&](std::string& out) { return i + 1 < args.size() ? (out = args[++i], true) : false; };
        auto number = [&](long long& out, long long low, long long high) {
            return i + 1 < args.size() && cli::ParseInt(args[++i], out) && out >= low && out <= high;
        };
        bool ok = false;
        if (key == "--fen") ok = value(a.Fen);
        else if (key == "--game") ok = value(a.File) && number(a.Game, 1, 1LL << 40);
        else if (key == "--ply") ok = number(a.Ply, 0, 1LL << 40);
        else if (key == "--depth") ok = number(a.Depth, 1, 200);
        else if (key == "--multipv") ok = number(a.Lines, 1, 500);
        else if (key == "--threads") ok = number(a.Threads, 1, 1024);
        else if (key == "--hash") ok = number(a.Hash, 1, 1 << 20);
        else if (key == "--engine") ok = value(a.Engine);
        if (!ok) return false;
    }
    return a.Fen.empty() != a.File.empty() && (a.Ply < 0 || !a.File.empty());
}

bool PositionOfArgs(const TAnalyseArgs& a, TEnginePosition& position, std::string& error) {
    if (!a.Fen.empty()) {
        if (EnginePositionOfFen(a.Fen, position)) return true;
        error = "not a FEN of a legal position: " + a.Fen;
        return false;
    }
    TNotationCore core;
    if (!cli::LoadGameOfFile(a.File, a.Game, core, error)) return false;
    core.ToStart();
    for (long long ply = 0; a.Ply < 0 || ply < a.Ply; ++ply) {
        if (core.StepForward()) continue;
        if (a.Ply < 0) break;
        error = "game " + std::to_string(a.Game) + " has no ply " + std::to_string(a.Ply) + " in its main line";
        return false;
    }
    position = EnginePositionOfGame(core);
    return true;
}

int RunAnalyse(const CliArgs& args) {
    TAnalyseArgs a;
    if (!ReadArgs(args, a)) return cli::UsageError(kAnalyse);
    TEnginePosition position;
    std::string error;
    if (!PositionOfArgs(a, position, error)) return cli::Fail(error);
    TUciEngine engine(a.Engine.empty() ? DefaultEnginePath() : a.Engine);
    engine.SetOptions({static_cast<int>(a.Threads), static_cast<int>(a.Hash), static_cast<int>(a.Lines)});
    if (!engine.Start()) return cli::Fail(engine.Error());
    engine.Analyse(position, static_cast<int>(a.Depth));
    while (!engine.View().Finished)
        if (!engine.Pump(100)) return cli::Fail(engine.Error());
    for (const TEngineLine& line : engine.View().Complete) {
        std::cout << line.Rank << '\t' << line.Depth << '\t' << ScoreText(line.Score) << '\t';
        for (size_t i = 0; i < line.San.size(); ++i) std::cout << (i ? " " : "") << line.San[i];
        std::cout << '\n';
    }
    engine.Close();
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kAnalyse);
