// CPU time of the player's and the recorder's workers per second of audio,
// on the wave devices the environment provides (under Wine: ALSA's file
// plugin for playing, a private PulseAudio for recording; see
// bench/peer/devices-under-wine.sh).
//   devicebench play SECONDS     plays a 44100 Hz stereo cut list
//   devicebench record SECONDS   records 44100 Hz mono into a cut list
// Prints the worker's user and kernel CPU time, the audio's duration and
// the wall time.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "devices/win32/LSoundPlayer.h"
#include "devices/win32/LSoundRecorder.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"

using namespace sondrel;

namespace {

double Ms(const FILETIME& f) {
    ULARGE_INTEGER u;
    u.LowPart = f.dwLowDateTime;
    u.HighPart = f.dwHighDateTime;
    return double(u.QuadPart) / 10000.0;
}

// The calling thread's CPU time so far, user and kernel, in ms.
void ThreadCpu(double& user, double& kernel) {
    FILETIME c, e, k, u;
    user = kernel = 0;
    if (GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u)) {
        user = Ms(u);
        kernel = Ms(k);
    }
}

class TimedPlayer : public LSoundPlayer {
public:
    double user = 0, kernel = 0;

protected:
    void ThreadFunction() override {
        LSoundPlayer::ThreadFunction();
        ThreadCpu(user, kernel);
    }
};

class TimedRecorder : public LSoundRecorder {
public:
    double user = 0, kernel = 0;

protected:
    void ThreadFunction() override {
        LSoundRecorder::ThreadFunction();
        ThreadCpu(user, kernel);
    }
};

void Pump(DWORD ms, bool (*done)(void*), void* arg) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (done && done(arg)) return;
        Sleep(10);
    }
}

void Report(const char* what, double user, double kernel, double audioS, double wallS) {
    std::printf("%-8s %6.1f s of audio in %6.1f s: worker CPU %7.1f ms user + %7.1f ms kernel = %6.2f ms per second\n",
                what, audioS, wallS, user, kernel, (user + kernel) / audioS);
}

char gTankDir[MAX_PATH];
int gSeconds = 0;  // what the recorder should reach

std::string TankFolder() {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::snprintf(gTankDir, sizeof gTankDir, "%sdevicebench-%lu", tmp, GetCurrentProcessId());
    CreateDirectoryA(gTankDir, nullptr);
    return gTankDir;
}

int Play(int seconds) {
    const int32_t rate = 44100, frames = rate * seconds;
    LCutTankScope tank(TankFolder());
    LCutListAudio body(rate, 2);
    {
        LSoundSinkPtr sink = CreateSink(body, rate, 2);
        std::vector<int32_t> block(8192 * 2);
        for (int32_t at = 0; at < frames; at += 8192) {
            int32_t n = std::min(8192, frames - at);
            for (int32_t i = 0; i < n; ++i) {
                int32_t s = int32_t(200000 * std::sin((at + i) * 0.0627));
                block[size_t(i) * 2] = s;
                block[size_t(i) * 2 + 1] = -s;
            }
            sink->Write(block.data(), n);
        }
    }
    TimedPlayer player;
    DWORD start = GetTickCount();
    if (!player.Start(CreateSource(body), 0)) {
        std::fprintf(stderr, "the player could not start\n");
        return 1;
    }
    Pump(DWORD(seconds) * 1000 + 60000, [](void* p) { return !static_cast<TimedPlayer*>(p)->IsOpen(); }, &player);
    double wall = (GetTickCount() - start) / 1000.0;
    if (player.IsOpen()) {
        std::fprintf(stderr, "the player did not finish\n");
        return 1;
    }
    Report("play", player.user, player.kernel, seconds, wall);
    return 0;
}

int Record(int seconds) {
    gSeconds = seconds;
    LCutTankScope tank(TankFolder());
    LCutListAudio take(44100, 1);
    TimedRecorder recorder;
    DWORD start = GetTickCount();
    if (!recorder.Start(CreateSink(take, 44100, 1), LSoundRecorder::kStartRecording, 216000000, -127, 0)) {
        std::fprintf(stderr, "the recorder could not start\n");
        return 1;
    }
    Pump(DWORD(seconds) * 1000 + 30000,
         [](void* p) { return static_cast<TimedRecorder*>(p)->GetLastLoud() >= gSeconds * 1000; },
         &recorder);
    recorder.Stop();
    double wall = (GetTickCount() - start) / 1000.0;
    double recorded = double(GetLength(take)) / 44100.0;
    Report("record", recorder.user, recorder.kernel, recorded, wall);
    return recorded > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: devicebench play|record SECONDS\n");
        return 2;
    }
    int seconds = std::atoi(argv[2]);
    if (seconds < 1) seconds = 1;
    std::string what = argv[1];
    int rc = 2;
    if (what == "play") rc = Play(seconds);
    if (what == "record") rc = Record(seconds);
    if (gTankDir[0]) RemoveDirectoryA(gTankDir);
    if (rc != 2) return rc;
    std::fprintf(stderr, "usage: devicebench play|record SECONDS\n");
    return 2;
}
