// The main function of every test program. In the Windows build it also
// keeps a test that works windows from waiting forever: a test still running
// after its time (SONDREL_TEST_SECONDS, 240 s by default, under CTest's own
// limit) ends the program, and any failed or stopped test prints the windows
// still open on the desktop with their texts, so a message box that nobody
// answered says what it was waiting for.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/TestUtil.h"

#ifdef _WIN32
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::string WindowText(HWND w) {
    char text[1024] = {};
    DWORD_PTR n = 0;
    // Another process's window may hang: never wait on it for long.
    if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 500, &n))
        return "(no answer)";
    return std::string(text, n < sizeof text ? n : sizeof text - 1);
}

std::string ClassOf(HWND w) {
    char name[128] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

// Every visible top-level window, and for dialogs (message boxes among them)
// the texts of their controls.
void PrintOpenWindows() {
    std::string out;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsWindowVisible(w)) continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        out += "  window \"" + WindowText(w) + "\" (" + ClassOf(w) + ", process " + std::to_string(pid) + ")\n";
        if (ClassOf(w) != "#32770") continue;
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            std::string t = WindowText(c);
            if (IsWindowVisible(c) && !t.empty()) out += "    " + ClassOf(c) + ": \"" + t + "\"\n";
        }
    }
    std::printf("windows open on the desktop:\n%s", out.empty() ? "  (none)\n" : out.c_str());
    std::fflush(stdout);
}

// The watch thread is detached and outlives the listener: gtest deletes its
// listeners among the static destructors at exit, while the thread may just
// be waking. So what both use lives as long as either of them.
class WindowWatch : public testing::EmptyTestEventListener {
public:
    explicit WindowWatch(int seconds) : state(std::make_shared<State>()) {
        state->limitMs = ULONGLONG(seconds) * 1000;
        std::thread([s = state] { Watch(*s); }).detach();
    }
    void OnTestStart(const testing::TestInfo& info) override {
        std::lock_guard<std::mutex> hold(state->lock);
        state->name = std::string(info.test_suite_name()) + "." + info.name();
        state->startedAt = GetTickCount64();
        state->running = true;
    }
    void OnTestEnd(const testing::TestInfo& info) override {
        {
            std::lock_guard<std::mutex> hold(state->lock);
            state->running = false;
        }
        if (info.result()->Failed()) PrintOpenWindows();
    }

private:
    struct State {
        ULONGLONG limitMs = 0;
        std::mutex lock;
        std::string name;
        ULONGLONG startedAt = 0;
        bool running = false;
    };
    static void Watch(State& s) {
        for (;;) {
            Sleep(1000);
            std::lock_guard<std::mutex> hold(s.lock);
            if (!s.running || GetTickCount64() - s.startedAt < s.limitMs) continue;
            std::printf("\n%s is still running after %llu s: stopped.\n", s.name.c_str(),
                        static_cast<unsigned long long>(s.limitMs / 1000));
            PrintOpenWindows();
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
    std::shared_ptr<State> state;
};

}  // namespace
#endif

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::printf("random seed for this run: %u (set SONDREL_SEED to replay)\n", sondrel::test::Seed());
#ifdef _WIN32
    int seconds = 240;
    if (const char* s = std::getenv("SONDREL_TEST_SECONDS")) seconds = std::atoi(s) > 0 ? std::atoi(s) : seconds;
    testing::UnitTest::GetInstance()->listeners().Append(new WindowWatch(seconds));
#endif
    return RUN_ALL_TESTS();
}
