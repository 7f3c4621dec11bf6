// What a long operation sees of the progress dialog: cancel polling, two
// text lines and a progress fraction. The Win32 dialog implements it; tests
// use a double that cancels after a chosen number of blocks.
#pragma once
#include <chrono>
#include <cstdint>
#include <thread>

namespace sondrel {

// Result of every long operation (the SCSI transport uses the same codes).
enum LProcessResult : int { kProcessDone = 0, kProcessCancelled = 1, kProcessFailed = 2 };

class LProgress {
public:
    virtual ~LProgress() = default;
    // Polled once per block; true once the user has cancelled.
    virtual bool IsCancelled() = 0;
    // line 0: what is being done; line 1: "Please wait..." or a second caption.
    virtual void SetText(const char* text, int line) = 0;
    virtual void SetProgress(double fraction) = 0;
    // A failure the user must read (the dialog shows a message box titled
    // "Error"); a progress without a window has nowhere to show it.
    virtual void ShowError(const char* /*text*/) {}
    // Waits this long while staying responsive: sleeps in slices of at most
    // 200 ms, polling IsCancelled; false as soon as the user cancels.
    virtual bool WaitTime(uint32_t milliseconds) {
        if (IsCancelled()) return false;
        while (milliseconds > 0) {
            uint32_t slice = milliseconds < 200 ? milliseconds : 200;
            std::this_thread::sleep_for(std::chrono::milliseconds(slice));
            milliseconds -= slice;
            if (IsCancelled()) return false;
        }
        return true;
    }
};

// Never cancels, shows nothing.
class LNullProgress : public LProgress {
public:
    bool IsCancelled() override { return false; }
    void SetText(const char*, int) override {}
    void SetProgress(double) override {}
};

}  // namespace sondrel
