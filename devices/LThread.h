// The worker-thread base every background worker derives from (the sound
// player, the sound recorder, the wave window's scan worker), and the event
// signal the workers and the user-interface thread exchange.
//
// One interface, two implementations: Win32 threads and events in the
// Windows build, POSIX threads natively (so that controllers built on it run
// in the native tests). Priorities are Windows thread priority values in
// both; natively they are kept per worker and reported back, not applied.
#pragma once
#include <cstdint>

namespace sondrel {

// Windows thread priority values.
constexpr int32_t kPriorityIdle = -15;
constexpr int32_t kPriorityLowest = -2;
constexpr int32_t kPriorityBelowNormal = -1;
constexpr int32_t kPriorityNormal = 0;
constexpr int32_t kPriorityAboveNormal = 1;
constexpr int32_t kPriorityHighest = 2;
constexpr int32_t kPriorityTimeCritical = 15;

constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

// A manual-reset event, created non-signalled. It stays set until Reset.
class LSignalObject {
public:
    enum WaitResult {
        kSignalThis = 0,   // this signal is set
        kSignalOther = 1,  // the other one is set (this one is not)
        kSignalTimeout = 2,
        kSignalFailed = 3,  // no event to wait on
    };

    LSignalObject();
    ~LSignalObject();
    LSignalObject(const LSignalObject&) = delete;
    LSignalObject& operator=(const LSignalObject&) = delete;

    // False when the event could not be made; every wait then fails.
    bool IsValid() const { return hSignalObject != nullptr; }
    void Set();
    void Reset();
    // A wait of zero milliseconds that does not time out.
    bool IsSet() const;
    // True when the signal is set within timeoutMs (kWaitForever: no limit).
    bool Wait(uint32_t timeoutMs) const;
    // Sleeps until this or other is set, or timeoutMs passes. When both are
    // set, this one is reported.
    WaitResult WaitSignalDual(const LSignalObject& other, uint32_t timeoutMs) const;

    // The Windows event HANDLE in the Windows build (devices hand it to the
    // wave functions as their CALLBACK_EVENT); an opaque pointer natively.
    void* Handle() const { return hSignalObject; }

private:
    void* hSignalObject;
};

// Worker thread with one stop signal. The derived class supplies the body,
// which must poll IsToStop() (or wait on StopSignal()) and return soon after
// it is set.
//
// States: idle (no thread), running, finished (the body returned on its
// own). Start moves idle or finished to running; StopThreadTimed moves any
// state to idle. Objects are made and destroyed on the user-interface
// thread; the worker never deletes its own object.
//
// The base destructor stops the worker (5000 ms) as a last resort; a derived
// class whose body uses the derived members must stop it in its own
// destructor, before those members go.
class LThread {
public:
    LThread();
    virtual ~LThread();
    LThread(const LThread&) = delete;
    LThread& operator=(const LThread&) = delete;

    // Starts the body on a new thread at the given priority. On a worker that
    // still runs it does nothing at all (not even the priority changes). A
    // finished thread is released first. A thread that cannot be created
    // leaves the object idle.
    void Start(int32_t priority);
    // True while a thread exists and its body has not returned.
    bool IsRunning() const;
    // True once the stop signal is set.
    bool IsToStop() const { return sigStop.IsSet(); }
    // Asks the worker to finish and waits timeoutMs for it, the worker
    // running meanwhile at the caller's priority; a worker still running then
    // is terminated. Releases the thread in every case. Must not be called by
    // the worker itself; with no thread it returns at once.
    void StopThreadTimed(uint32_t timeoutMs);
    // True when the last StopThreadTimed had to terminate the worker.
    bool WasTerminated() const { return bTerminated; }

    // The worker's priority (kPriorityNormal with no thread) and a change of
    // it; callable from either thread.
    int32_t GetPriority() const;
    void SetPriority(int32_t priority);
    // Priority of the calling thread.
    static int32_t CurrentThreadPriority();

    LSignalObject& StopSignal() { return sigStop; }

protected:
    // The body, run on the worker thread; its return ends the thread.
    virtual void ThreadFunction() = 0;

public:
    // The static thread entry: runs the body of thread; null does nothing.
    static void ThreadEntry(LThread* thread);
    // What the platform keeps with the thread (its handle).
    struct Impl;

private:

    LSignalObject sigStop;
    Impl* pImpl;  // the thread handle and what the platform keeps with it
    bool bTerminated = false;
};

}  // namespace sondrel
