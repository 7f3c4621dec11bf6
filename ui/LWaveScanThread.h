// The wave window's scan worker: reads the source on a thread of its own
// at the lowest priority and computes the columns of whatever view was
// requested last, telling the window which columns to repaint as it goes.
// Requests only store two numbers and wake the worker, so an owner can
// follow playback at every position report; a newer request is taken once
// the range in work is done.
//
// Use (user-interface thread): Start(source, &waveWindow) when there is
// audio to show (a source in error starts nothing and leaves the window
// grey), RequestView(start, length) whenever the view changes, Stop() (or
// destroy) before the source or the window goes.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/LSoundStream.h"
#include "devices/LThread.h"
#include "ui/LWaveScan.h"
#include "ui/LWaveScanTarget.h"

namespace sondrel {

class LWaveScanThread : public LThread {
public:
    LWaveScanThread();
    ~LWaveScanThread() override;

    void Start(const LSoundSourcePtr& source, LWaveScanTarget* window);
    // Stops the worker (5000 ms), releases the source and greys the window.
    void Stop();
    // Callable from any thread at any rate.
    void RequestView(int32_t start, int32_t length);
    // Summaries off: every column reads its samples (for comparisons).
    void UseSummaries(bool on) { bSummaries = on; }

    // True once the worker has completed the last view requested (tests and
    // benchmarks wait on it).
    bool IsIdle();

protected:
    void ThreadFunction() override;

private:
    struct View {
        int32_t start, length;
        bool operator==(const View&) const = default;
    };

    std::unique_ptr<LWaveScanner> pScanner;
    LWaveScanTarget* pTarget = nullptr;
    View held{INT32_MIN, INT32_MIN};  // the view the columns hold (worker only)
    View requested{0, 0};
    View completed{INT32_MIN, INT32_MIN};
    std::mutex mtxRequest;  // over requested and completed
    LSignalObject sigWake;
    bool bSummaries = true;
};

}  // namespace sondrel
