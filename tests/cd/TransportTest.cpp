// The SCSI transport against a simulated library, drives and clock: the
// choice of transport, counting and opening drives both ways, the request
// blocks as sent, and the ASPI wait with its time-out, Cancel and abort.
#include <gtest/gtest.h>

#include <cstring>

#include "cd/LSCSI.h"
#include "tests/cd/FakeSCSI.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

class Transport : public ::testing::Test {
protected:
    FakeSCSIPlatform fake;
    FakeSCSIScope scope{fake};
    RecordingProgress progress;
};

std::string Diagnostic() { return LastCDDiagnostic(); }

}  // namespace

TEST_F(Transport, ChoiceIsMadeOnceOnFirstUse) {
    for (bool present : {false, true}) {
        FakeSCSIPlatform f;
        f.aspiPresent = present;
        FakeSCSIScope s(f);
        EXPECT_EQ(UseASPI32, -1);
        ProcessSCSICDGetNumberCDDrives(&progress);
        EXPECT_EQ(UseASPI32, present ? 1 : 0);
        ProcessSCSICDGetNumberCDDrives(&progress);
        LSCSI scsi;
        ProcessSCSICDOpenDrive(&progress, scsi, 0);
        EXPECT_EQ(f.loads, 1) << "the library is looked for once per process";
    }
}

TEST_F(Transport, WithoutTheLibraryDrivesAreTheCDROMRoots) {
    fake.aspiPresent = false;
    fake.roots = {"A:\\", "C:\\"};  // not CD-ROM drives
    fake.AddRootCD("D:\\", {100});
    fake.AddRootCD("E:\\", {200, 300});
    EXPECT_EQ(ProcessSCSICDGetNumberCDDrives(&progress), 2);

    {
        LSCSI scsi;
        ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 1), kProcessDone);
        ASSERT_FALSE(fake.opened.empty());
        EXPECT_EQ(fake.opened.back(), "\\\\.\\E:");
        uint8_t tracks = 0;
        uint32_t starts[256];
        EXPECT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessDone);
        EXPECT_EQ(tracks, 2);
        EXPECT_EQ(starts[2], 500u);
    }
    EXPECT_EQ(fake.closed.size(), 1u) << "the device is closed when its address goes";

    LSCSI none;
    EXPECT_EQ(ProcessSCSICDOpenDrive(&progress, none, 2), kProcessFailed);
    EXPECT_EQ(none.hSCSIAdapter, kInvalidSCSIHandle);

    fake.rootsFail = true;
    EXPECT_EQ(ProcessSCSICDGetNumberCDDrives(&progress), 0);
    EXPECT_EQ(ProcessSCSICDOpenDrive(&progress, none, 0), kProcessFailed);
}

TEST_F(Transport, AnUnopenableDeviceFailsItsCommandsLater) {
    fake.aspiPresent = false;
    fake.AddRootCD("D:\\", {100});
    fake.unopenable = {"\\\\.\\D:"};
    LSCSI scsi;
    EXPECT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 0), kProcessDone);
    uint8_t tracks = 9;
    uint32_t starts[256];
    EXPECT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessFailed);
    EXPECT_EQ(tracks, 0);
    EXPECT_EQ(Diagnostic(), "ProcessSCSIExecuteCommand scsi.hSCSIAdapter == INVALID_HANDLE_VALUE so FAILED");
    EXPECT_TRUE(fake.ioctls.empty());
}

TEST_F(Transport, DevicePathDropsTheRootsSeparator) {
    EXPECT_EQ(SPTIDevicePath("D:\\"), "\\\\.\\D:");
    EXPECT_EQ(SPTIDevicePath("E:/"), "\\\\.\\E:");
    EXPECT_EQ(SPTIDevicePath("F:"), "\\\\.\\F:");
}

TEST_F(Transport, ASPIDrivesAreTheCDROMsOfTargetsZeroToSixAndEveryLun) {
    fake.adapters = 2;
    fake.AddCD(0, 0, 0, {10}).type = 0;  // a disk
    fake.AddCD(0, 1, 0, {10});
    fake.AddCD(0, 6, 7, {20});
    fake.AddCD(1, 3, 2, {30});
    fake.AddCD(0, 7, 0, {40});  // targets stop at 6
    fake.AddCD(2, 0, 0, {50});  // only two adapters
    EXPECT_EQ(ProcessSCSICDGetNumberCDDrives(&progress), 3);
    EXPECT_EQ(fake.deviceTypeQueries, 2 * 7 * 8);

    struct Case {
        int n, ha, target, lun;
    } cases[] = {{0, 0, 1, 0}, {1, 0, 6, 7}, {2, 1, 3, 2}};
    for (const Case& c : cases) {
        LSCSI scsi;
        ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, c.n), kProcessDone) << c.n;
        EXPECT_EQ(scsi.nHostAdapter, c.ha);
        EXPECT_EQ(scsi.nTarget, c.target);
        EXPECT_EQ(scsi.nLun, c.lun);
    }
    LSCSI scsi;
    EXPECT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 3), kProcessFailed);
    EXPECT_TRUE(fake.opened.empty()) << "ASPI opens no device";
}

TEST_F(Transport, AdapterCountNeedsACompletedSupportStatus) {
    fake.adapters = 3;
    EXPECT_EQ(GetASPIAdapterCount(), 3);
    fake.supportStatus = kSS_NO_ADAPTERS;
    EXPECT_EQ(GetASPIAdapterCount(), 0);
    fake.AddCD(0, 0, 0, {10});
    EXPECT_EQ(ProcessSCSICDGetNumberCDDrives(&progress), 0);

    FakeSCSIPlatform spti;
    spti.aspiPresent = false;
    spti.adapters = 3;
    FakeSCSIScope s(spti);
    EXPECT_EQ(GetASPIAdapterCount(), 0);
    LSCSI scsi;
    EXPECT_EQ(ProcessSCSIGetDeviceType(&progress, scsi), kDeviceTypeUnknown);
}

TEST_F(Transport, ASPIRequestsCarryTheAddressBufferAndCommand) {
    fake.AddCD(1, 4, 2, {100, 50});
    fake.adapters = 2;
    LSCSI scsi;
    ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 0), kProcessDone);
    uint8_t tracks = 0;
    uint32_t starts[256];
    ASSERT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessDone);
    EXPECT_EQ(tracks, 2);
    LAlignedBuffer buffer(ReadCDDataLength(24));
    ASSERT_EQ(ProcessSCSICDReadDASectors(&progress, scsi, buffer.Data(), 24, 100), kProcessDone);
    EXPECT_EQ(std::memcmp(buffer.Data(), fake.devices[0].disc.Bytes(100, 24).data(), buffer.Size()), 0);

    ASSERT_EQ(fake.execs.size(), 2u);
    struct Case {
        uint8_t cdbLength, op;
        uint32_t bufLen;
    } cases[] = {{10, 0x43, 2048}, {12, 0xBE, 56448}};
    for (size_t i = 0; i < 2; ++i) {
        const SRB_ExecSCSICmd& s = fake.execs[i];
        EXPECT_EQ(s.SRB_Cmd, kSC_EXEC_SCSI_CMD);
        EXPECT_EQ(s.SRB_HaId, 1);
        EXPECT_EQ(s.SRB_Target, 4);
        EXPECT_EQ(s.SRB_Lun, 2);
        EXPECT_EQ(s.SRB_Flags, 0x08);
        EXPECT_EQ(s.SRB_SenseLen, 14);
        EXPECT_EQ(s.SRB_CDBLen, cases[i].cdbLength);
        EXPECT_EQ(s.CDBByte[0], cases[i].op);
        EXPECT_EQ(s.SRB_BufLen, cases[i].bufLen);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(s.SRB_BufPointer) % 16, 0u);
    }
    EXPECT_EQ(fake.execs[1].SRB_BufPointer, buffer.Data());
}

TEST_F(Transport, PassThroughStructureAsSent) {
    fake.aspiPresent = false;
    fake.AddRootCD("D:\\", {100, 50});
    LSCSI scsi;
    ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 0), kProcessDone);
    uint8_t tracks = 0;
    uint32_t starts[256];
    ASSERT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessDone);
    LAlignedBuffer buffer(ReadCDDataLength(24));
    ASSERT_EQ(ProcessSCSICDReadDASectors(&progress, scsi, buffer.Data(), 24, 126), kProcessDone);
    EXPECT_EQ(std::memcmp(buffer.Data(), fake.devices[0].disc.Bytes(126, 24).data(), buffer.Size()), 0);

    ASSERT_EQ(fake.ioctls.size(), 2u);
    struct Case {
        uint8_t cdbLength, op;
        uint32_t length, seconds;
    } cases[] = {{10, 0x43, 2048, 21}, {12, 0xBE, 56448, 6}};
    for (size_t i = 0; i < 2; ++i) {
        const LSCSIPassThroughDirect& s = fake.ioctls[i].sptd;
        EXPECT_EQ(s.Length, sizeof(LSCSIPassThroughDirect));
        EXPECT_EQ(s.PathId, 0);
        EXPECT_EQ(s.TargetId, 0);
        EXPECT_EQ(s.Lun, 0);
        EXPECT_EQ(s.CdbLength, cases[i].cdbLength);
        EXPECT_EQ(s.Cdb[0], cases[i].op);
        EXPECT_EQ(s.SenseInfoLength, 14);
        EXPECT_EQ(s.DataIn, 1);
        EXPECT_EQ(s.DataTransferLength, cases[i].length);
        EXPECT_EQ(s.TimeOutValue, cases[i].seconds);
        EXPECT_EQ(s.SenseInfoOffset, offsetof(LSCSIPassThroughArea, ucSenseBuf));
    }
    EXPECT_EQ(fake.ioctls[1].sptd.DataBuffer, buffer.Data());
}

TEST_F(Transport, PassThroughChecksCancelBeforeSendingAndReportsFailedCalls) {
    fake.aspiPresent = false;
    fake.AddRootCD("D:\\", {100});
    LSCSI scsi;
    ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 0), kProcessDone);
    uint8_t tracks = 0;
    uint32_t starts[256];
    progress.cancelAtPoll = progress.polls;
    EXPECT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessCancelled);
    EXPECT_TRUE(fake.ioctls.empty());

    progress.cancelAtPoll = -1;
    fake.ioctlFails = true;  // a system without CD-ROM ioctls
    EXPECT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessFailed);
    EXPECT_EQ(tracks, 0);
}

TEST_F(Transport, NoDiscFailsTheTOCOnBothTransports) {
    for (bool aspi : {true, false}) {
        FakeSCSIPlatform f;
        f.aspiPresent = aspi;
        FakeDevice& d = aspi ? f.AddCD(0, 2, 0, {100}) : f.AddRootCD("G:\\", {100});
        d.hasDisc = false;
        FakeSCSIScope s(f);
        LSCSI scsi;
        ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 0), kProcessDone);
        uint8_t tracks = 7;
        uint32_t starts[256];
        EXPECT_EQ(ProcessSCSICDGetTOC(&progress, scsi, tracks, starts), kProcessFailed) << aspi;
        EXPECT_EQ(tracks, 0);
    }
}

namespace {
// One drive on ASPI, opened, for the tests of the wait.
class AspiWait : public Transport {
protected:
    void SetUp() override {
        dev = &fake.AddCD(0, 0, 0, {1000});
        ASSERT_EQ(ProcessSCSICDOpenDrive(&progress, scsi, 0), kProcessDone);
        fake.nowMs = 0;
    }
    LProcessResult Read(uint32_t lba) { return ProcessSCSICDReadDASectors(&progress, scsi, buffer.Data(), 24, lba); }

    FakeDevice* dev = nullptr;
    LSCSI scsi;
    LAlignedBuffer buffer{ReadCDDataLength(24)};
};
}  // namespace

TEST_F(AspiWait, ALateRequestIsPolledEveryTenMilliseconds) {
    dev->completeAfterMs = 35;
    int polls = progress.polls;
    EXPECT_EQ(Read(0), kProcessDone);
    EXPECT_EQ(fake.nowMs, 40);
    EXPECT_GE(progress.polls - polls, 4) << "every wait polls the dialog";
    EXPECT_EQ(std::memcmp(buffer.Data(), dev->disc.Bytes(0, 24).data(), buffer.Size()), 0);
    EXPECT_TRUE(fake.aborted.empty());
}

TEST_F(AspiWait, ARequestThatNeverCompletesTimesOutAndIsAborted) {
    dev->hangAt = 30;
    EXPECT_EQ(Read(24), kProcessFailed);
    EXPECT_EQ(fake.nowMs, 5000);
    ASSERT_EQ(fake.aborted.size(), 1u);
    EXPECT_EQ(fake.PendingCount(), 0u) << "the abort reached the stuck request";
    EXPECT_EQ(Diagnostic(), "ProcessSCSISendASPISRB TimeOut");
}

TEST_F(AspiWait, CancelWhileARequestIsPendingAbortsItAndGivesOne) {
    dev->hangAt = 0;
    progress.cancelAtPoll = progress.polls + 5;
    EXPECT_EQ(Read(0), kProcessCancelled);
    EXPECT_LT(fake.nowMs, 100);
    EXPECT_EQ(fake.aborted.size(), 1u);
    EXPECT_EQ(fake.PendingCount(), 0u);
    EXPECT_EQ(Diagnostic(), "ProcessSCSISendASPISRB Stopped");
}

TEST_F(AspiWait, AnAbortThatNeverCompletesIsWaitedForTwentySeconds) {
    dev->hangAt = 0;
    fake.abortIgnored = true;
    progress.cancelAtPoll = progress.polls + 2;
    EXPECT_EQ(Read(0), kProcessCancelled);
    EXPECT_GE(fake.nowMs, 20000);
    EXPECT_LT(fake.nowMs, 20200);
    EXPECT_EQ(Diagnostic(), "ProcessSCSISendASPISRB Abort TimeOut!!!");
}

TEST_F(AspiWait, ErrorStatusFailsAndCancelBeforeSendingSendsNothing) {
    dev->readErrorAt = 5;
    EXPECT_EQ(Read(0), kProcessFailed);
    EXPECT_EQ(Diagnostic(), "ProcessSCSISendASPISRB FAILED (pSrb->SRB_Status != SS_COMP)");
    EXPECT_TRUE(fake.aborted.empty());

    size_t sent = fake.execs.size();
    progress.cancelAtPoll = progress.polls;
    EXPECT_EQ(Read(100), kProcessCancelled);
    EXPECT_EQ(fake.execs.size(), sent);
    EXPECT_TRUE(fake.aborted.empty());
}

TEST_F(Transport, WaitTimeSleepsInSlicesAndStopsAtCancel) {
    struct Case {
        uint32_t ms;
        int cancelAt;  // poll counted from the call
        bool result;
        int64_t slept;
    } cases[] = {
        {0, -1, true, 0}, {10, -1, true, 10}, {450, -1, true, 450}, {450, 0, false, 0}, {450, 2, false, 400},
    };
    for (const Case& c : cases) {
        RecordingProgress p;
        p.cancelAtPoll = c.cancelAt;
        fake.nowMs = 0;
        EXPECT_EQ(WaitTime(&p, c.ms), c.result) << c.ms << " " << c.cancelAt;
        EXPECT_EQ(fake.nowMs, c.slept) << c.ms << " " << c.cancelAt;
    }
}
