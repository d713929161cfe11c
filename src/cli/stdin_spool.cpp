#include "cli/stdin_spool.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// The file to remove when a signal ends the program before the destructor
// runs: a fixed buffer, because a signal handler may only call unlink().
char g_spoolPath[4096] = "";

extern "C" void RemoveSpoolAndDie(int sig) {
    if (g_spoolPath[0] != '\0') ::unlink(g_spoolPath);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

TStdinSpool::~TStdinSpool() {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
    g_spoolPath[0] = '\0';
}

bool TStdinSpool::Spool(std::string& error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarzel-stdin-XXXXXX.pgn";
    if (pattern.size() >= sizeof g_spoolPath) pattern = "/tmp/quarzel-stdin-XXXXXX.pgn";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        error = std::string("cannot create a temporary file for standard input: ") + std::strerror(errno);
        return false;
    }
    path_ = name.data();
    std::memcpy(g_spoolPath, name.data(), name.size());
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(sig, RemoveSpoolAndDie);

    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::string("cannot read standard input: ") + std::strerror(errno);
            ::close(fd);
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error = std::string("cannot write the temporary copy of standard input: ") + std::strerror(errno);
                ::close(fd);
                return false;
            }
            done += w;
        }
    }
    if (::close(fd) != 0) {
        error = std::string("cannot write the temporary copy of standard input: ") + std::strerror(errno);
        return false;
    }
    return true;
}
