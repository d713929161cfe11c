// A UCI engine driven without ever waiting on it. The owner says which
// position to analyse; the driver talks to the engine in its own time: "uci"
// once, then for every new position "stop" (when a search runs), the
// "bestmove" that ends it, the options that changed (Hash last, each sent
// only when its value changes), "isready" and its "readyok", "position ...",
// "go". The engine is started once and kept for every position.
//
// Every line is taken for the position that was searched when it came: a
// line arriving after the position changed (before the engine's "bestmove")
// is dropped, and View() only ever holds lines of the position asked last,
// numbered by the id Analyse returned. An engine that does not answer in
// time, ends, or says nothing a UCI engine says is a failure: Error() has
// one line for the person, and the process is killed and reaped at once.
//
// The owner calls Poll() when the engine's descriptor is readable and now
// and then for the timeouts (the viewer from a socket notifier and a timer,
// the CLI from Pump()).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_position.h"
#include "engine/engine_process.h"
#include "engine/uci_text.h"

struct TEngineOptions {
    int Threads = 1;
    int HashMb = 16;
    int Lines = 1;  // MultiPV wished for; never more than the legal moves
    bool operator==(const TEngineOptions&) const = default;
};

// How long the engine may take to answer.
struct TEngineTimeouts {
    int StartMs = 5000;  // "uci" to "uciok"
    int ReadyMs = 8000;  // "isready" to "readyok" (a large hash takes its time)
    int StopMs = 5000;   // "stop" to "bestmove"
};

// One line of the engine, read for its position.
struct TEngineLine {
    int Rank = 1;
    int Depth = 0;
    TUciScore Score;  // from White's view
    std::uint64_t Nodes = 0;
    std::vector<std::string> Uci;
    std::vector<std::string> San;
};

// What the engine said of one position.
struct TEngineView {
    std::uint64_t Id = 0;  // as Analyse returned it; 0: none asked
    std::string Fen;
    int LineCount = 0;                 // the MultiPV used: at most the legal moves
    std::vector<TEngineLine> Lines;    // the latest line of each rank (Depth 0: none yet)
    int CompleteDepth = 0;             // the last depth every rank has reached
    std::vector<TEngineLine> Complete; // the lines of that depth
    std::uint64_t Nps = 0;
    bool Finished = false;  // a search to a depth ended ("bestmove")
};

class TUciEngine {
public:
    explicit TUciEngine(std::string path, TEngineTimeouts timeouts = {});
    ~TUciEngine();

    // Starts the engine and says "uci"; false with Error() set.
    bool Start();
    // Used from the next position on.
    void SetOptions(const TEngineOptions& options) { options_ = options; }
    // Piece letters of the lines' moves (engine_position.h).
    void SetPieceLetters(std::string_view letters) { letters_ = std::string(letters); }
    // Analyses `position` (to `depth` plies, 0: until told otherwise) and
    // returns the id its lines carry. A position without a legal move is
    // not sent: its view stays empty and finished.
    std::uint64_t Analyse(const TEnginePosition& position, int depth = 0);
    // Stops analysing; the engine keeps running for the next position.
    void Stop();
    // Reads what the engine said and acts on it; checks the timeouts. False
    // once the engine has failed.
    bool Poll();
    // Waits up to `ms` for the engine's output, then polls.
    bool Pump(int ms);
    // Ends the engine: "quit", a second, then killed; reaped.
    void Close();

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    const std::string& Name() const { return name_; }
    int Descriptor() const { return process_.Descriptor(); }
    const TEngineView& View() const { return view_; }
    bool Searching() const { return state_ == TState::Searching && searchingId_ == view_.Id; }
    // True once after the view or the state changed.
    bool TakeChanged();
    // The last lines sent to the engine (for tests and diagnostics).
    const std::vector<std::string>& Sent() const { return sent_; }

private:
    enum class TState { Off, Starting, Idle, Syncing, Searching, Stopping };
    void Handle(const std::string& line);
    void Advance();
    void Sync();
    void SendOptions();
    void SendOption(const std::string& name, const std::string& value);
    void AddLine(const TUciInfo& info);
    bool Send(const std::string& line);
    void Fail(const std::string& error);
    void Expect(TState state, int ms);

    std::string path_;
    TEngineTimeouts timeouts_;
    TEngineProcess process_;
    TState state_ = TState::Off;
    std::chrono::steady_clock::time_point deadline_{};
    std::string error_;
    std::string name_;
    std::string letters_ = std::string(kEnglishPieceLetters);
    std::set<std::string> engineOptions_;
    std::map<std::string, std::string> sentOptions_;
    TEngineOptions options_;

    bool wanted_ = false;        // a position is to be analysed
    TEnginePosition position_;   // the position asked last
    int depth_ = 0;
    std::uint64_t nextId_ = 0;
    std::uint64_t searchingId_ = 0;  // the position the engine searches (or last searched)
    std::uint64_t syncedId_ = 0;     // the position the last options and "isready" were for
    TEngineView view_;
    std::map<int, std::vector<TEngineLine>> byDepth_;
    bool changed_ = false;
    std::vector<std::string> sent_;
};
