// Win32 threads and events behind LThread and LSignalObject.
#include <windows.h>
#include <process.h>

#include "devices/LThread.h"

namespace sondrel {

LSignalObject::LSignalObject() : hSignalObject(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

LSignalObject::~LSignalObject() {
    if (hSignalObject) CloseHandle(hSignalObject);
}

void LSignalObject::Set() {
    if (hSignalObject) SetEvent(hSignalObject);
}

void LSignalObject::Reset() {
    if (hSignalObject) ResetEvent(hSignalObject);
}

bool LSignalObject::IsSet() const { return Wait(0); }

bool LSignalObject::Wait(uint32_t timeoutMs) const {
    return hSignalObject && WaitForSingleObject(hSignalObject, timeoutMs == kWaitForever ? INFINITE : timeoutMs) ==
                                WAIT_OBJECT_0;
}

LSignalObject::WaitResult LSignalObject::WaitSignalDual(const LSignalObject& other, uint32_t timeoutMs) const {
    if (!hSignalObject || !other.hSignalObject) return kSignalFailed;
    HANDLE both[2] = {hSignalObject, other.hSignalObject};
    // With both set, WaitForMultipleObjects reports the lower index: this one.
    DWORD r = WaitForMultipleObjects(2, both, FALSE, timeoutMs == kWaitForever ? INFINITE : timeoutMs);
    if (r == WAIT_OBJECT_0) return kSignalThis;
    if (r == WAIT_OBJECT_0 + 1) return kSignalOther;
    if (r == WAIT_TIMEOUT) return kSignalTimeout;
    return kSignalFailed;
}

struct LThread::Impl {
    HANDLE hThread = nullptr;
};

namespace {

unsigned __stdcall Win32Entry(void* arg) {
    LThread::ThreadEntry(static_cast<LThread*>(arg));
    return 0;
}

bool StillActive(HANDLE h) {
    DWORD code = 0;
    return h && GetExitCodeThread(h, &code) && code == STILL_ACTIVE;
}

}  // namespace

LThread::LThread() : pImpl(new Impl) {}

LThread::~LThread() {
    StopThreadTimed(5000);
    delete pImpl;
}

void LThread::Start(int32_t priority) {
    if (pImpl->hThread) {
        if (StillActive(pImpl->hThread)) return;
        CloseHandle(pImpl->hThread);
        pImpl->hThread = nullptr;
    }
    sigStop.Reset();
    // Created suspended so that the body starts at its priority.
    // _beginthreadex rather than CreateThread: bodies use the C runtime.
    HANDLE h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Win32Entry, this, CREATE_SUSPENDED, nullptr));
    if (!h) return;
    SetThreadPriority(h, priority);
    ResumeThread(h);
    pImpl->hThread = h;
}

bool LThread::IsRunning() const { return StillActive(pImpl->hThread); }

void LThread::StopThreadTimed(uint32_t timeoutMs) {
    HANDLE h = pImpl->hThread;
    if (!h) return;
    bTerminated = false;
    // The caller's priority first, so that the worker's way out runs at it.
    SetThreadPriority(h, GetThreadPriority(GetCurrentThread()));
    sigStop.Set();
    if (WaitForSingleObject(h, timeoutMs == kWaitForever ? INFINITE : timeoutMs) == WAIT_TIMEOUT) {
        TerminateThread(h, 0);
        // Termination is asynchronous; the object may be destroyed next.
        WaitForSingleObject(h, 1000);
        bTerminated = true;
    }
    CloseHandle(h);
    pImpl->hThread = nullptr;
}

int32_t LThread::GetPriority() const {
    if (!pImpl->hThread) return kPriorityNormal;
    int p = GetThreadPriority(pImpl->hThread);
    return p == THREAD_PRIORITY_ERROR_RETURN ? kPriorityNormal : p;
}

void LThread::SetPriority(int32_t priority) {
    if (pImpl->hThread) SetThreadPriority(pImpl->hThread, priority);
}

int32_t LThread::CurrentThreadPriority() { return GetThreadPriority(GetCurrentThread()); }

}  // namespace sondrel
