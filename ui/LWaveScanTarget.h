// What the scan worker needs of the wave window it serves. The Win32
// control implements it under its critical section; tests implement it
// over a plain LWaveView.
#pragma once
#include <cstdint>

#include "ui/LWaveView.h"

namespace sondrel {

class LWaveScanTarget {
public:
    virtual ~LWaveScanTarget() = default;
    // Sets a new view (scrolling what can be kept) and copies the resulting
    // view, whose mapping the worker then computes with, into mapping.
    virtual LViewChange ScanSetView(int32_t start, int32_t length, LWaveView& mapping) = 0;
    // Stores the height of column c and repaints that column.
    virtual void ScanStoreColumn(int32_t c, uint8_t height) = 0;
    // A worker starts: the window leaves its grey state and forgets its
    // view length, so that the first view recomputes everything.
    virtual void ScanStarted() = 0;
    // The worker stopped: the window goes grey again.
    virtual void ScanStopped() = 0;
};

}  // namespace sondrel
