#include "formats/LChildProcess.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;
#endif

namespace sondrel {

#ifndef _WIN32

namespace {

// posix_spawn with the encoder's output thrown away (the Windows build hides
// its console the same way) and in a process group of its own, so that the
// terminal's Ctrl-C reaches the tool, which then ends the encoder itself.
class LPosixChildProcess : public LChildProcess {
public:
    ~LPosixChildProcess() override { Kill(); }

    bool Start(const std::string& program, const std::vector<std::string>& args, const std::string&) override {
        if (pid_ > 0 || program.empty()) return false;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t files;
        posix_spawnattr_t attr;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        posix_spawn_file_actions_addclosefrom_np(&files, 3);
#endif
        posix_spawnattr_init(&attr);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

        pid_t pid = -1;
        int rc = posix_spawnp(&pid, program.c_str(), &files, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&files);
        if (rc != 0) return false;
        pid_ = pid;
        return true;
    }

    WaitResult Wait(LProgress* progress, int& exitCode) override {
        exitCode = -1;
        while (pid_ > 0) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
                return kEnded;
            }
            if (r < 0 && errno != EINTR) {
                pid_ = -1;
                return kEnded;
            }
            if (progress && progress->IsCancelled()) return kCancelled;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return kEnded;
    }

    void Kill() override {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

std::unique_ptr<LChildProcess> CreatePosixChildProcess() { return std::make_unique<LPosixChildProcess>(); }

}  // namespace

LChildProcessFactory pCreateChildProcess = CreatePosixChildProcess;

#else

LChildProcessFactory pCreateChildProcess = nullptr;

#endif

std::unique_ptr<LChildProcess> CreateChildProcess() {
    return pCreateChildProcess ? pCreateChildProcess() : std::unique_ptr<LChildProcess>();
}

}  // namespace sondrel
