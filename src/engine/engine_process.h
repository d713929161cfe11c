// An engine as a child process: started with posix_spawn, its standard
// input and output one end of a socket pair (writes never raise SIGPIPE,
// reads never block), its standard error thrown away. Close() says "quit",
// gives the engine a second to go, kills it after that (Kill() at once, for
// an engine that failed), and always reaps it:
// no engine outlives its object, none is left a zombie.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

class TEngineProcess {
public:
    TEngineProcess() = default;
    ~TEngineProcess();
    TEngineProcess(const TEngineProcess&) = delete;
    TEngineProcess& operator=(const TEngineProcess&) = delete;

    // Starts the program at `path` (a name without "/" is looked up on PATH).
    // False with a one-line reason.
    bool Start(const std::string& path, std::string& error);
    bool Running() const { return pid_ > 0; }
    // The descriptor to watch for output (-1 when not running).
    int Descriptor() const { return fd_; }

    // Writes one line (a newline is added); false when the engine is gone.
    bool Send(std::string_view line);

    enum class TRead { Open, Closed, TooLong };
    // Appends the complete lines read so far without waiting. Closed: the
    // engine closed its output (it ended); TooLong: a line over 1 MB.
    TRead Read(std::vector<std::string>& lines);
    // Waits up to `ms` milliseconds for output; true when some is there.
    bool WaitReadable(int ms) const;

    // Ends the engine ("quit", a second, then SIGKILL) and reaps it.
    void Close();
    // Ends a failed engine at once (SIGKILL) and reaps it.
    void Kill();

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string pending_;
};

// Where a program name resolves to: itself when it holds a "/", else the
// first executable of that name on PATH; "" when there is none.
std::string FindProgram(const std::string& name);

// The engine used when none is named: "stockfish" on PATH, else /usr/games/stockfish.
std::string DefaultEnginePath();
