#include "engine/uci_engine.h"

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;
using Kind = TUciLine::Kind;

}  // namespace

TUciEngine::TUciEngine(std::string path, TEngineTimeouts timeouts) : path_(std::move(path)), timeouts_(timeouts) {}

TUciEngine::~TUciEngine() { Close(); }

bool TUciEngine::Start() {
    error_.clear();
    std::string error;
    if (!process_.Start(path_, error)) {
        Fail(error);
        return false;
    }
    sent_.push_back("uci");
    if (!process_.Send("uci")) {
        Fail(path_ + " is not a UCI engine (it ended without answering \"uci\")");
        return false;
    }
    Expect(TState::Starting, timeouts_.StartMs);
    return true;
}

void TUciEngine::Close() {
    process_.Close();
    if (state_ != TState::Off) changed_ = true;
    state_ = TState::Off;
}

bool TUciEngine::TakeChanged() {
    const bool was = changed_;
    changed_ = false;
    return was;
}

void TUciEngine::Fail(const std::string& error) {
    if (!error_.empty()) return;
    error_ = error;
    process_.Kill();
    state_ = TState::Off;
    changed_ = true;
}

bool TUciEngine::Send(const std::string& line) {
    if (sent_.size() > 200) sent_.erase(sent_.begin(), sent_.begin() + 100);
    sent_.push_back(line);
    if (process_.Send(line)) return true;
    Fail("the engine stopped working (it no longer reads)");
    return false;
}

void TUciEngine::Expect(TState state, int ms) {
    state_ = state;
    deadline_ = Clock::now() + std::chrono::milliseconds(ms);
}

std::uint64_t TUciEngine::Analyse(const TEnginePosition& position, int depth) {
    view_ = TEngineView{};
    view_.Id = ++nextId_;
    view_.Fen = position.Fen;
    byDepth_.clear();
    const int legal = LegalMoveCount(position);
    view_.LineCount = std::clamp(std::min(options_.Lines, legal), 0, 500);
    view_.Finished = legal == 0;
    wanted_ = legal > 0;
    position_ = position;
    depth_ = depth;
    changed_ = true;
    Advance();
    return view_.Id;
}

void TUciEngine::Stop() {
    wanted_ = false;
    Advance();
}

void TUciEngine::Advance() {
    if (Failed()) return;
    const bool current = wanted_ && searchingId_ == view_.Id;
    if (state_ == TState::Searching && !current) {
        if (Send("stop")) Expect(TState::Stopping, timeouts_.StopMs);
    } else if (state_ == TState::Idle && wanted_ && searchingId_ != view_.Id) {
        Sync();
    }
}

void TUciEngine::Sync() {
    SendOptions();
    syncedId_ = view_.Id;
    if (!Failed() && Send("isready")) Expect(TState::Syncing, timeouts_.ReadyMs);
}

void TUciEngine::SendOption(const std::string& name, const std::string& value) {
    if (!engineOptions_.count(name)) return;
    auto it = sentOptions_.find(name);
    if (it != sentOptions_.end() && it->second == value) return;
    if (Send("setoption name " + name + " value " + value)) sentOptions_[name] = value;
}

void TUciEngine::SendOptions() {
    if (position_.Chess960() && !engineOptions_.count("UCI_Chess960")) {
        Fail("the engine does not play Chess960 (it has no UCI_Chess960 option)");
        return;
    }
    if (!engineOptions_.count("MultiPV")) view_.LineCount = std::min(view_.LineCount, 1);
    SendOption("Threads", std::to_string(std::max(1, options_.Threads)));
    SendOption("MultiPV", std::to_string(std::max(1, view_.LineCount)));
    SendOption("UCI_Chess960", position_.Chess960() ? "true" : "false");
    // Last: setting the threads may clear the hash table.
    SendOption("Hash", std::to_string(std::max(1, options_.HashMb)));
}

bool TUciEngine::Pump(int ms) {
    if (Failed()) return false;
    process_.WaitReadable(ms);
    return Poll();
}

bool TUciEngine::Poll() {
    if (Failed()) return false;
    if (state_ == TState::Off) return true;
    std::vector<std::string> lines;
    const TEngineProcess::TRead read = process_.Read(lines);
    for (const std::string& line : lines) {
        Handle(line);
        if (Failed()) return false;
    }
    if (read == TEngineProcess::TRead::TooLong) Fail("the engine writes a line of over a megabyte: not a UCI engine");
    else if (read == TEngineProcess::TRead::Closed)
        Fail(state_ == TState::Starting ? path_ + " is not a UCI engine (it ended without answering \"uci\")"
                                        : "the engine ended unexpectedly");
    else if (state_ != TState::Idle && state_ != TState::Searching && Clock::now() > deadline_) {
        switch (state_) {
            case TState::Starting: Fail(path_ + " is not a UCI engine (no answer to \"uci\")"); break;
            case TState::Syncing: Fail("the engine does not answer (no \"readyok\")"); break;
            default: Fail("the engine does not stop searching (no \"bestmove\")"); break;
        }
    }
    return !Failed();
}

void TUciEngine::Handle(const std::string& text) {
    const TUciLine line = ReadUciLine(text);
    switch (state_) {
        case TState::Starting:
            if (line.Type == Kind::IdName) name_ = line.Text;
            else if (line.Type == Kind::Option) engineOptions_.insert(line.Text);
            else if (line.Type == Kind::UciOk) {
                state_ = TState::Idle;
                changed_ = true;
                Advance();
            }
            break;
        case TState::Syncing:
            if (line.Type != Kind::ReadyOk) break;
            if (!wanted_) {
                state_ = TState::Idle;
                break;
            }
            if (syncedId_ != view_.Id) {
                Sync();  // another position came meanwhile: its options first
                break;
            }
            searchingId_ = view_.Id;
            if (Send(position_.UciCommand()) && Send(depth_ > 0 ? "go depth " + std::to_string(depth_) : "go infinite"))
                state_ = TState::Searching;
            changed_ = true;
            break;
        case TState::Searching:
            if (line.Type == Kind::Info && searchingId_ == view_.Id) AddLine(line.Info);
            if (line.Type != Kind::BestMove) break;
            state_ = TState::Idle;
            if (searchingId_ == view_.Id) view_.Finished = true;
            changed_ = true;
            Advance();
            break;
        case TState::Stopping:
            // Lines of the position left behind: dropped.
            if (line.Type != Kind::BestMove) break;
            state_ = TState::Idle;
            Advance();
            break;
        default: break;
    }
}

void TUciEngine::AddLine(const TUciInfo& info) {
    if (info.Nps) view_.Nps = info.Nps;
    if (!IsEngineLine(info) || info.MultiPv > view_.LineCount) {
        if (info.Nps) changed_ = true;
        return;
    }
    TEngineLine line;
    line.Rank = info.MultiPv;
    line.Depth = info.Depth;
    line.Score = WhiteView(info.Score, position_.State.Side);
    line.Nodes = info.Nodes;
    line.Uci = info.Pv;
    line.San = LineToSan(position_, info.Pv, letters_);
    if (line.San.empty()) return;  // a line whose first move is not legal here
    const size_t count = static_cast<size_t>(view_.LineCount);
    view_.Lines.resize(count);
    view_.Lines[static_cast<size_t>(line.Rank - 1)] = line;
    std::vector<TEngineLine>& atDepth = byDepth_[line.Depth];
    atDepth.resize(count);
    atDepth[static_cast<size_t>(line.Rank - 1)] = line;
    const bool complete = std::all_of(atDepth.begin(), atDepth.end(), [](const TEngineLine& l) { return l.Depth > 0; });
    if (complete && line.Depth >= view_.CompleteDepth) {
        view_.CompleteDepth = line.Depth;
        view_.Complete = atDepth;
        byDepth_.erase(byDepth_.begin(), byDepth_.find(line.Depth));
    }
    changed_ = true;
}
