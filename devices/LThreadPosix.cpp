// POSIX threads behind LThread and LSignalObject for the native build.
// Signals share one mutex and one condition variable: every Set wakes every
// waiter, which then checks its own signals. Cheap enough for a handful of
// workers, and it makes waiting on two signals at once trivial.
#ifndef _WIN32
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "devices/LThread.h"

namespace sondrel {

namespace {

struct SignalState {
    bool bSet = false;
};

std::mutex& SignalMutex() {
    static std::mutex m;
    return m;
}
std::condition_variable& SignalChanged() {
    static std::condition_variable cv;
    return cv;
}

// A worker terminated after its stop time-out is cancelled asynchronously;
// it must never be cancelled while it holds the shared signal mutex.
class NoCancel {
public:
    NoCancel() { pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &old_); }
    ~NoCancel() { pthread_setcancelstate(old_, nullptr); }

private:
    int old_ = PTHREAD_CANCEL_ENABLE;
};

SignalState* State(void* h) { return static_cast<SignalState*>(h); }

// The priority of a thread that is no worker (the main thread and helpers).
thread_local int32_t tlsOwnPriority = kPriorityNormal;
// Set on a worker thread: its object's priority.
thread_local const std::atomic<int32_t>* tlsWorkerPriority = nullptr;

}  // namespace

LSignalObject::LSignalObject() : hSignalObject(new (std::nothrow) SignalState) {}

LSignalObject::~LSignalObject() { delete State(hSignalObject); }

void LSignalObject::Set() {
    if (!hSignalObject) return;
    NoCancel nc;
    {
        std::lock_guard<std::mutex> lock(SignalMutex());
        State(hSignalObject)->bSet = true;
    }
    SignalChanged().notify_all();
}

void LSignalObject::Reset() {
    if (!hSignalObject) return;
    NoCancel nc;
    std::lock_guard<std::mutex> lock(SignalMutex());
    State(hSignalObject)->bSet = false;
}

bool LSignalObject::IsSet() const {
    if (!hSignalObject) return false;
    NoCancel nc;
    std::lock_guard<std::mutex> lock(SignalMutex());
    return State(hSignalObject)->bSet;
}

bool LSignalObject::Wait(uint32_t timeoutMs) const {
    if (!hSignalObject) return false;
    NoCancel nc;
    SignalState* s = State(hSignalObject);
    std::unique_lock<std::mutex> lock(SignalMutex());
    auto ready = [s] { return s->bSet; };
    if (timeoutMs == kWaitForever) {
        SignalChanged().wait(lock, ready);
        return true;
    }
    return SignalChanged().wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

LSignalObject::WaitResult LSignalObject::WaitSignalDual(const LSignalObject& other, uint32_t timeoutMs) const {
    if (!hSignalObject || !other.hSignalObject) return kSignalFailed;
    NoCancel nc;
    SignalState* a = State(hSignalObject);
    SignalState* b = State(other.hSignalObject);
    std::unique_lock<std::mutex> lock(SignalMutex());
    auto ready = [a, b] { return a->bSet || b->bSet; };
    if (timeoutMs == kWaitForever)
        SignalChanged().wait(lock, ready);
    else if (!SignalChanged().wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return kSignalTimeout;
    return a->bSet ? kSignalThis : kSignalOther;
}

struct LThread::Impl {
    LThread* pOwner = nullptr;
    pthread_t thread{};
    bool bExists = false;
    std::mutex mtx;
    std::condition_variable cvFinished;
    bool bFinished = false;
    std::atomic<int32_t> iPriority{kPriorityNormal};
};

namespace {

void* PosixEntry(void* arg) {
    auto* impl = static_cast<LThread::Impl*>(arg);
    tlsWorkerPriority = &impl->iPriority;
    // Only StopThreadTimed cancels, and only after its time-out: like
    // TerminateThread, that must work on a body that never reaches a
    // cancellation point.
    pthread_setcanceltype(PTHREAD_CANCEL_ASYNCHRONOUS, nullptr);
    LThread::ThreadEntry(impl->pOwner);
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
    {
        std::lock_guard<std::mutex> lock(impl->mtx);
        impl->bFinished = true;
    }
    impl->cvFinished.notify_all();
    return nullptr;
}

}  // namespace

LThread::LThread() : pImpl(new Impl) { pImpl->pOwner = this; }

LThread::~LThread() {
    StopThreadTimed(5000);
    delete pImpl;
}

void LThread::Start(int32_t priority) {
    if (pImpl->bExists) {
        if (IsRunning()) return;
        pthread_join(pImpl->thread, nullptr);
        pImpl->bExists = false;
    }
    sigStop.Reset();
    pImpl->bFinished = false;
    pImpl->iPriority = priority;
    if (pthread_create(&pImpl->thread, nullptr, PosixEntry, pImpl) == 0) pImpl->bExists = true;
}

bool LThread::IsRunning() const {
    if (!pImpl->bExists) return false;
    std::lock_guard<std::mutex> lock(pImpl->mtx);
    return !pImpl->bFinished;
}

void LThread::StopThreadTimed(uint32_t timeoutMs) {
    if (!pImpl->bExists) return;
    bTerminated = false;
    // The caller's priority first, so that the worker's way out runs at it.
    SetPriority(CurrentThreadPriority());
    sigStop.Set();
    bool finished;
    {
        std::unique_lock<std::mutex> lock(pImpl->mtx);
        auto done = [this] { return pImpl->bFinished; };
        if (timeoutMs == kWaitForever) {
            pImpl->cvFinished.wait(lock, done);
            finished = true;
        } else {
            finished = pImpl->cvFinished.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
        }
    }
    if (!finished) {
        pthread_cancel(pImpl->thread);
        bTerminated = true;
    }
    pthread_join(pImpl->thread, nullptr);
    pImpl->bExists = false;
    pImpl->bFinished = false;
}

int32_t LThread::GetPriority() const { return pImpl->bExists ? pImpl->iPriority.load() : kPriorityNormal; }

void LThread::SetPriority(int32_t priority) {
    if (pImpl->bExists) pImpl->iPriority = priority;
}

int32_t LThread::CurrentThreadPriority() {
    return tlsWorkerPriority ? tlsWorkerPriority->load() : tlsOwnPriority;
}

}  // namespace sondrel
#endif
