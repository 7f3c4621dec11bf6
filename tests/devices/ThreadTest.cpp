// The worker-thread base and the event signal, in both builds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "devices/LThread.h"

namespace sondrel {
namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls cond for up to 5 s.
template <class F>
bool Eventually(F cond) {
    for (int i = 0; i < 500; ++i) {
        if (cond()) return true;
        SleepMs(10);
    }
    return cond();
}

// Body that runs until asked to stop, recording what it saw.
class PoliteWorker : public LThread {
public:
    ~PoliteWorker() override { StopThreadTimed(5000); }
    std::atomic<int> runs{0};
    std::atomic<int32_t> startPriority{99};
    std::atomic<int32_t> stopPriority{99};
    std::atomic<bool> sawStop{false};

protected:
    void ThreadFunction() override {
        startPriority = CurrentThreadPriority();
        ++runs;  // last: the test waits for it before it reads the rest
        while (!StopSignal().Wait(5)) {
        }
        sawStop = IsToStop();
        stopPriority = CurrentThreadPriority();
    }
};

// Body that returns at once.
class ShortWorker : public LThread {
public:
    ~ShortWorker() override { StopThreadTimed(5000); }
    std::atomic<int> runs{0};

protected:
    void ThreadFunction() override { ++runs; }
};

// Bodies that never look at the stop signal: one sleeps, one spins without
// calling anything.
class DeafSleeper : public LThread {
public:
    std::atomic<bool> started{false};

protected:
    void ThreadFunction() override {
        started = true;
        for (;;) SleepMs(10);
    }
};

class DeafSpinner : public LThread {
public:
    std::atomic<bool> started{false};
    volatile uint32_t counter = 0;

protected:
    void ThreadFunction() override {
        started = true;
        for (;;) counter = counter + 1;
    }
};

TEST(LThread, StartOnARunningWorkerChangesNothing) {
    PoliteWorker w;
    w.Start(kPriorityBelowNormal);
    ASSERT_TRUE(Eventually([&] { return w.runs == 1; }));
    EXPECT_TRUE(w.IsRunning());
    EXPECT_EQ(w.GetPriority(), kPriorityBelowNormal);
    EXPECT_EQ(w.startPriority.load(), kPriorityBelowNormal);

    w.Start(kPriorityHighest);
    SleepMs(50);
    EXPECT_EQ(w.runs.load(), 1);
    EXPECT_EQ(w.GetPriority(), kPriorityBelowNormal);
    EXPECT_FALSE(w.IsToStop());

    w.StopThreadTimed(5000);
    EXPECT_TRUE(w.sawStop.load());
    EXPECT_FALSE(w.WasTerminated());
    EXPECT_FALSE(w.IsRunning());
}

TEST(LThread, StartAfterTheBodyReturnedStartsAFreshThread) {
    ShortWorker w;
    w.Start(kPriorityNormal);
    ASSERT_TRUE(Eventually([&] { return w.runs == 1 && !w.IsRunning(); }));
    w.Start(kPriorityNormal);
    ASSERT_TRUE(Eventually([&] { return w.runs == 2 && !w.IsRunning(); }));
    w.StopThreadTimed(5000);
    EXPECT_FALSE(w.WasTerminated());
    EXPECT_EQ(w.runs.load(), 2);
}

TEST(LThread, StartResetsTheStopSignal) {
    PoliteWorker w;
    w.Start(kPriorityNormal);
    w.StopThreadTimed(5000);
    EXPECT_TRUE(w.IsToStop());
    w.Start(kPriorityNormal);
    ASSERT_TRUE(Eventually([&] { return w.runs == 2; }));
    EXPECT_FALSE(w.IsToStop());
    EXPECT_TRUE(w.IsRunning());
}

TEST(LThread, StopWithoutAThreadReturnsAtOnce) {
    ShortWorker w;
    EXPECT_FALSE(w.IsRunning());
    w.StopThreadTimed(kWaitForever);
    EXPECT_FALSE(w.WasTerminated());
    EXPECT_EQ(w.runs.load(), 0);
    EXPECT_EQ(w.GetPriority(), kPriorityNormal);
}

TEST(LThread, WorkerRunsAtItsPriorityAndAtTheCallersWhileStopping) {
    PoliteWorker w;
    w.Start(kPriorityLowest);
    ASSERT_TRUE(Eventually([&] { return w.runs == 1; }));
    EXPECT_EQ(w.startPriority.load(), kPriorityLowest);
    w.SetPriority(kPriorityTimeCritical);
    EXPECT_EQ(w.GetPriority(), kPriorityTimeCritical);
    int32_t caller = LThread::CurrentThreadPriority();
    w.StopThreadTimed(5000);
    EXPECT_EQ(w.stopPriority.load(), caller);
}

TEST(LThread, BodyIgnoringTheStopSignalIsTerminatedAfterTheTimeOut) {
    DeafSleeper sleeper;
    DeafSpinner spinner;
    LThread* workers[] = {&sleeper, &spinner};
    sleeper.Start(kPriorityNormal);
    spinner.Start(kPriorityBelowNormal);
    ASSERT_TRUE(Eventually([&] { return sleeper.started && spinner.started; }));
    for (LThread* w : workers) {
        w->StopThreadTimed(200);
        EXPECT_TRUE(w->WasTerminated());
        EXPECT_FALSE(w->IsRunning());
        EXPECT_EQ(w->GetPriority(), kPriorityNormal);  // no thread any more
    }
    // The handle was released: the object starts again.
    sleeper.started = false;
    sleeper.Start(kPriorityNormal);
    EXPECT_TRUE(Eventually([&] { return sleeper.started.load(); }));
    sleeper.StopThreadTimed(100);
    EXPECT_TRUE(sleeper.WasTerminated());
}

TEST(LSignalObject, WaitsTellWhichSignalWasSet) {
    LSignalObject a, b;
    ASSERT_TRUE(a.IsValid());
    ASSERT_TRUE(b.IsValid());
    EXPECT_FALSE(a.IsSet());
    EXPECT_FALSE(a.Wait(0));
    EXPECT_EQ(a.WaitSignalDual(b, 20), LSignalObject::kSignalTimeout);

    b.Set();
    EXPECT_EQ(a.WaitSignalDual(b, 20), LSignalObject::kSignalOther);
    EXPECT_EQ(b.WaitSignalDual(a, 20), LSignalObject::kSignalThis);
    a.Set();
    EXPECT_EQ(a.WaitSignalDual(b, 20), LSignalObject::kSignalThis);  // both: this one
    EXPECT_TRUE(b.IsSet());  // manual reset: waiting does not clear it

    a.Reset();
    b.Reset();
    EXPECT_FALSE(a.IsSet());
    EXPECT_FALSE(b.Wait(10));
}

TEST(LSignalObject, SetOnAnotherThreadWakesADualWait) {
    LSignalObject work, stop;
    std::thread setter([&] {
        SleepMs(50);
        stop.Set();
    });
    EXPECT_EQ(work.WaitSignalDual(stop, kWaitForever), LSignalObject::kSignalOther);
    setter.join();
    std::thread setter2([&] {
        SleepMs(50);
        work.Set();
    });
    EXPECT_TRUE(work.Wait(kWaitForever));
    setter2.join();
}

}  // namespace
}  // namespace sondrel
