#pragma once
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vf::test {

// A private virtual X server for one test program.  The server picks a free display
// number itself and reports it, so parallel test programs never collide.  Only the
// process started here is ever stopped.
class XvfbServer {
public:
    static bool available()
    {
        return access("/usr/bin/Xvfb", X_OK) == 0;
    }

    // How the server can share memory with its clients: as usual, not at all (like
    // a remote server), or only seemingly (its own IPC namespace, like a sandbox).
    enum class Sharing { usual, none, elsewhere };

    bool start(const char* screen = "1024x1024x24", Sharing sharing = Sharing::usual)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"unshare", "--ipc", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen,
                              "-nolisten", "tcp", "-noreset", sharing == Sharing::none ? "-extension" : nullptr,
                              "MIT-SHM", nullptr};
        const bool elsewhere = sharing == Sharing::elsewhere;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int r = posix_spawn(&pid_, elsewhere ? "/usr/bin/unshare" : "/usr/bin/Xvfb", &actions, nullptr,
                                  const_cast<char**>(elsewhere ? argv : argv + 2), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (r != 0) {
            pid_ = 0;
            close(fds[0]);
            return false;
        }
        char buffer[32] = {};
        size_t used = 0;
        pollfd p{fds[0], POLLIN, 0};
        while (used < sizeof(buffer) - 1 && poll(&p, 1, 10000) > 0) {
            const ssize_t n = read(fds[0], buffer + used, sizeof(buffer) - 1 - used);
            if (n <= 0)
                break;
            used += static_cast<size_t>(n);
            if (std::memchr(buffer, '\n', used) != nullptr)
                break;
        }
        close(fds[0]);
        if (used == 0) {
            stop();
            return false;
        }
        // Appended rather than ":" + ..., which GCC 12 at -O3 flags with a false -Wrestrict.
        display_ = ":";
        display_ += std::to_string(std::atoi(buffer));
        return true;
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        int status;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
    }

    ~XvfbServer() { stop(); }

    const std::string& display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
};

} // namespace vf::test
