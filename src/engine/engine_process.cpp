#include "engine/engine_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kMaxLine = 1 << 20;

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

TEngineProcess::~TEngineProcess() { Close(); }

bool TEngineProcess::Start(const std::string& path, std::string& error) {
    Close();
    const std::string program = FindProgram(path);
    if (program.empty()) {
        error = "engine not found: " + path;
        return false;
    }
    struct stat st {};
    if (stat(program.c_str(), &st) != 0) {
        error = "engine not found: " + program;
        return false;
    }
    if (!S_ISREG(st.st_mode) || access(program.c_str(), X_OK) != 0) {
        error = "not a program that can be run: " + program;
        return false;
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = std::string("cannot start the engine: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so that a script's children end with it; the
    // default signal handling, whatever the viewer changed.
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(pair[1]);
    if (rc != 0) {
        close(pair[0]);
        error = "cannot start " + program + ": " + std::strerror(rc);
        return false;
    }
    pid_ = pid;
    fd_ = pair[0];
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    pending_.clear();
    return true;
}

bool TEngineProcess::Send(std::string_view line) {
    if (fd_ < 0) return false;
    std::string text(line);
    text += '\n';
    size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (done < text.size()) {
        const ssize_t n = send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            // An engine that reads nothing: give up after a second.
            if (std::chrono::steady_clock::now() > end) return false;
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 10);
        } else {
            return false;
        }
    }
    return true;
}

TEngineProcess::TRead TEngineProcess::Read(std::vector<std::string>& lines) {
    if (fd_ < 0) return TRead::Closed;
    char buffer[65536];
    for (;;) {
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            pending_.append(buffer, static_cast<size_t>(n));
            size_t start = 0, nl;
            while ((nl = pending_.find('\n', start)) != std::string::npos) {
                lines.emplace_back(pending_, start, nl - start);
                start = nl + 1;
            }
            pending_.erase(0, start);
            if (pending_.size() > kMaxLine) return TRead::TooLong;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return TRead::Open;
        return TRead::Closed;
    }
}

bool TEngineProcess::WaitReadable(int ms) const {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

void TEngineProcess::Kill() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    Close();
}

void TEngineProcess::Close() {
    if (pid_ > 0) {
        Send("quit");
        int status = 0;
        bool reaped = false;
        for (int i = 0; i < 100 && !reaped; ++i) {
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            reaped = r == pid_ || (r < 0 && errno == ECHILD);
            if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!reaped) {
            kill(-pid_, SIGKILL);
            kill(pid_, SIGKILL);
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        pid_ = -1;
    }
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    pending_.clear();
}

std::string DefaultEnginePath() {
    const std::string found = FindProgram("stockfish");
    return found.empty() ? "/usr/games/stockfish" : found;
}
