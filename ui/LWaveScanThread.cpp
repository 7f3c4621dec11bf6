#include "ui/LWaveScanThread.h"

#include <algorithm>

namespace sondrel {

namespace {

class TargetHost : public LWaveScanHost {
public:
    TargetHost(LWaveScanTarget& t, LThread& th) : target(t), thread(th) {}
    void StoreColumn(int32_t c, uint8_t h) override { target.ScanStoreColumn(c, h); }
    bool IsToStop() override { return thread.IsToStop(); }
    LWaveScanTarget& target;
    LThread& thread;
};

}  // namespace

LWaveScanThread::LWaveScanThread() = default;

LWaveScanThread::~LWaveScanThread() { Stop(); }

void LWaveScanThread::Start(const LSoundSourcePtr& source, LWaveScanTarget* window) {
    Stop();
    if (source->HasError() || !window) return;
    pScanner = std::make_unique<LWaveScanner>(source);
    pScanner->UseSummaries(bSummaries);
    pTarget = window;
    held = View{INT32_MIN, INT32_MIN};
    {
        std::lock_guard<std::mutex> lock(mtxRequest);
        completed = held;
    }
    pTarget->ScanStarted();
    LThread::Start(kPriorityLowest);
}

void LWaveScanThread::Stop() {
    StopThreadTimed(5000);
    pScanner.reset();
    if (pTarget) pTarget->ScanStopped();
    pTarget = nullptr;
}

void LWaveScanThread::RequestView(int32_t start, int32_t length) {
    std::lock_guard<std::mutex> lock(mtxRequest);
    requested = View{start, length};
    sigWake.Set();
}

bool LWaveScanThread::IsIdle() {
    std::lock_guard<std::mutex> lock(mtxRequest);
    return completed == requested;
}

void LWaveScanThread::ThreadFunction() {
    TargetHost host(*pTarget, *this);
    while (!IsToStop()) {
        View want;
        {
            std::lock_guard<std::mutex> lock(mtxRequest);
            want = requested;
            sigWake.Reset();
        }
        if (want == held) {
            sigWake.WaitSignalDual(StopSignal(), kWaitForever);
            continue;
        }
        LWaveView mapping;
        LViewChange ch = pTarget->ScanSetView(want.start, want.length, mapping);
        int32_t from = std::clamp(ch.from, 0, std::min(mapping.nWidth, kWaveMaxColumns));
        int32_t to = std::clamp(ch.to, from, std::min(mapping.nWidth, kWaveMaxColumns));
        if (ch.kind != LViewChange::kNothing && !pScanner->Compute(mapping, from, to, host)) return;
        held = want;
        std::lock_guard<std::mutex> lock(mtxRequest);
        completed = want;
    }
}

}  // namespace sondrel
