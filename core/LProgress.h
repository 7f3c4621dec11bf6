// What a long operation sees of the progress dialog: cancel polling, two
// text lines and a progress fraction. The Win32 dialog implements it; tests
// use a double that cancels after a chosen number of blocks.
#pragma once

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
};

// Never cancels, shows nothing.
class LNullProgress : public LProgress {
public:
    bool IsCancelled() override { return false; }
    void SetText(const char*, int) override {}
    void SetProgress(double) override {}
};

}  // namespace sondrel
