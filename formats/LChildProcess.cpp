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

// posix_spawn with the encoder's output thrown away, but for its error
// output when a reader wants it (the Windows build hides its console the
// same way), and in a process group of its own, so that the terminal's Ctrl-C
// reaches the tool, which then ends the encoder itself.
class LPosixChildProcess : public LChildProcess {
public:
    ~LPosixChildProcess() override {
        Kill();
        CloseReadEnd();
    }

    bool Start(const std::string& program, const std::vector<std::string>& args, const std::string&) override {
        if (pid_ > 0 || program.empty()) return false;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        int pipeEnds[2] = {-1, -1};
        if (errorReader && ::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t files;
        posix_spawnattr_t attr;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        if (errorReader)
            posix_spawn_file_actions_adddup2(&files, pipeEnds[1], 2);
        else
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
        if (pipeEnds[1] >= 0) ::close(pipeEnds[1]);  // the child holds its own copy
        if (rc != 0) {
            if (pipeEnds[0] >= 0) ::close(pipeEnds[0]);
            return false;
        }
        if (pipeEnds[0] >= 0) {
            ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
            readEnd_ = pipeEnds[0];
        }
        pid_ = pid;
        return true;
    }

    WaitResult Wait(LProgress* progress, int& exitCode) override {
        exitCode = -1;
        while (pid_ > 0) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            int waitError = errno;
            Drain();  // once it has ended, to the last byte it wrote
            if (r == pid_) {
                pid_ = -1;
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
                return kEnded;
            }
            if (r < 0 && waitError != EINTR) {
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
    // Hands what the pipe holds to the reader, without waiting for more.
    void Drain() {
        if (readEnd_ < 0) return;
        char buffer[4096];
        for (;;) {
            ssize_t n = ::read(readEnd_, buffer, sizeof buffer);
            if (n > 0) {
                errorReader(buffer, size_t(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) CloseReadEnd();  // every writer has gone
            return;
        }
    }
    void CloseReadEnd() {
        if (readEnd_ >= 0) ::close(readEnd_);
        readEnd_ = -1;
    }

    pid_t pid_ = -1;
    int readEnd_ = -1;
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
