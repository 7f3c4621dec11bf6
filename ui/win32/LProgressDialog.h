// The small modeless dialog under which every long operation runs. The work
// runs inside Run on the window's own thread; IsCancelled pumps the thread's
// messages between blocks so the Cancel button and other windows stay alive.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/LProgress.h"

namespace sondrel {

class LProgressDialog : public LProgress {
public:
    explicit LProgressDialog(const char* title);
    ~LProgressDialog() override;

    // The operation's body; true when it completed.
    virtual bool Process() = 0;
    // Every message but initialisation and Cancel while attached; 0 = not handled.
    virtual INT_PTR MessageHook(UINT msg, WPARAM wParam, LPARAM lParam);

    bool Run(HWND parent);
    bool IsCancelled() override;
    void SetText(const char* text, int line) override;
    void SetProgress(double fraction) override;
    // The operation's own failure (the encoder's, say): a "Sondrel" error box
    // owned by the window the operation was started from, as every other
    // failure is shown.
    void ShowError(const char* text) override;
    bool WaitTime(uint32_t milliseconds) override;
    bool WaitForObject(HANDLE handle, DWORD timeoutMs);
    void RunModalLoop();
    HWND Window() const { return hWindow; }

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    HWND hWindow = nullptr;
    HWND hParent = nullptr;  // the window the operation was started from
    const char* szTitle;

private:
    // Empties the thread's queue; true when the dialog has gone (Cancel) or
    // the program is asked to quit.
    bool PumpMessages();
    ULONGLONG nLastPump = 0;  // GetTickCount64 of the last look at the queue
    int nBarPosition = -1;    // what the bar shows, in percent
};

// Calls the Process function of a record type (found by argument lookup).
template <class Record>
LProcessResult RunProcessFunction(LProgress* progress, Record& record) {
    return Process(progress, record);
}

// Binds one operation's data record to the dialog: Process calls the free
// function Process(LProgress*, Record&) and completes when it returns 0.
template <class Record>
class LProcessDialog : public LProgressDialog {
public:
    LProcessDialog(const char* title, Record* record) : LProgressDialog(title), pRecord(record) {}
    bool Process() override {
        nResult = RunProcessFunction(static_cast<LProgress*>(this), *pRecord);
        return nResult == kProcessDone;
    }
    LProcessResult Result() const { return nResult; }

private:
    Record* pRecord;
    LProcessResult nResult = kProcessFailed;
};

}  // namespace sondrel
