#include "cd/LSCSI.h"

#include <cstring>

namespace sondrel {

namespace {

// Stands in when no platform is installed: no library, no drives.
class LNoSCSIPlatform : public LSCSIPlatform {
public:
    bool LoadASPI() override { return false; }
    uint32_t GetASPI32SupportInfo() override { return uint32_t(kSS_NO_ADAPTERS) << 8; }
    uint32_t SendASPI32Command(void*) override { return kSS_ERR; }
    bool ListDriveRoots(char*, uint32_t) override { return false; }
    bool IsCDROMDrive(const char*) override { return false; }
    intptr_t OpenDevice(const char*) override { return kInvalidSCSIHandle; }
    void CloseDevice(intptr_t) override {}
    bool DeviceIoControl(intptr_t, uint32_t, void*, uint32_t, void*, uint32_t) override { return false; }
    void Sleep(uint32_t) override {}
};

LNoSCSIPlatform gNoPlatform;
LSCSIPlatform* gPlatform = nullptr;

LSCSIPlatform& Platform() { return gPlatform ? *gPlatform : gNoPlatform; }

thread_local const char* tDiagnostic = "";
void (*gTraceHook)(const char*) = nullptr;

bool UsingASPI() {
    if (UseASPI32 == -1) _UseASPI32Detect();
    return UseASPI32 == 1;
}

// Targets 0..6 and logical units 0..7 of every host adapter, as ASPI numbers them.
constexpr int32_t kAspiTargets = 7;
constexpr int32_t kAspiLuns = 8;
// "A:\" .. "Z:\" with separators and ends fit with room to spare.
constexpr uint32_t kDriveListChars = 511;

// Walks the CD-ROM drives in the order both counting and opening use. With
// stopAt >= 0 the walk ends at that drive: ASPI leaves its address in scsi,
// SPTI its root in root. Returns the number of drives passed (stopAt + 1
// when found) or -1 when the drive list of SPTI cannot be had.
int32_t WalkCDDrives(LProgress* progress, LSCSI& scsi, int32_t stopAt, std::string* root) {
    int32_t found = 0;
    if (UsingASPI()) {
        int32_t adapters = GetASPIAdapterCount();
        for (int32_t ha = 0; ha < adapters; ++ha)
            for (int32_t t = 0; t < kAspiTargets; ++t)
                for (int32_t lun = 0; lun < kAspiLuns; ++lun) {
                    scsi.SetAddress(ha, t, lun);
                    if (ProcessSCSIGetDeviceType(progress, scsi) != kDeviceTypeCDROM) continue;
                    if (found++ == stopAt) return found;
                }
        return found;
    }
    char list[kDriveListChars + 1] = {};
    if (!Platform().ListDriveRoots(list, kDriveListChars)) return -1;
    for (const char* p = list; p < list + kDriveListChars && *p; p += std::strlen(p) + 1) {
        if (!Platform().IsCDROMDrive(p)) continue;
        if (found++ == stopAt) {
            if (root) *root = p;
            return found;
        }
    }
    return found;
}

// The common part of every ASPI request: address, send, poll, abort.
LProcessResult SendASPIRequest(LProgress* progress, LSCSI& scsi, void* srb, volatile uint8_t* status,
                               uint8_t* haId, uint8_t* target, uint8_t* lun, uint32_t timeoutMs) {
    *status = kSS_PENDING;
    *haId = uint8_t(scsi.nHostAdapter);
    *target = uint8_t(scsi.nTarget);
    *lun = uint8_t(scsi.nLun);
    // Polled before every request as the pass-through path does, so that a
    // driver that completes at once still lets the dialog repaint and see
    // Cancel between blocks.
    if (progress->IsCancelled()) {
        CDTrace("ProcessSCSISendASPISRB Stopped");
        return kProcessCancelled;
    }
    Platform().SendASPI32Command(srb);

    LProcessResult stopped = kProcessDone;  // until a time-out or Cancel stops the wait
    int64_t remaining = timeoutMs;
    while (*status == kSS_PENDING) {
        if (remaining <= 0) {
            CDTrace("ProcessSCSISendASPISRB TimeOut");
            stopped = kProcessFailed;
            break;
        }
        if (!WaitTime(progress, 10)) {
            CDTrace("ProcessSCSISendASPISRB Stopped");
            stopped = kProcessCancelled;
            break;
        }
        remaining -= 10;
    }
    if (stopped == kProcessDone) {
        if (*status == kSS_COMP) return kProcessDone;
        CDTrace("ProcessSCSISendASPISRB FAILED (pSrb->SRB_Status != SS_COMP)");
        return kProcessFailed;
    }

    SRB_Abort abort = {};
    abort.SRB_Cmd = kSC_ABORT_SRB;
    abort.SRB_HaId = uint8_t(scsi.nHostAdapter);
    abort.SRB_ToAbort = srb;
    volatile uint8_t* abortStatus = &abort.SRB_Status;
    Platform().SendASPI32Command(&abort);
    for (uint32_t waited = 0; *abortStatus == kSS_PENDING && waited < 20000; waited += 50) Platform().Sleep(50);
    if (*abortStatus == kSS_PENDING) CDTrace("ProcessSCSISendASPISRB Abort TimeOut!!!");
    return stopped;
}

}  // namespace

int32_t UseASPI32 = -1;

LSCSIPlatform* InstallSCSIPlatform(LSCSIPlatform* platform) {
    LSCSIPlatform* previous = gPlatform;
    gPlatform = platform;
    UseASPI32 = -1;
    return previous;
}

LSCSIPlatform* CurrentSCSIPlatform() { return gPlatform; }

bool _UseASPI32Detect() {
    UseASPI32 = 0;
    if (Platform().LoadASPI()) UseASPI32 = 1;
    return UseASPI32 == 1;
}

int32_t GetASPIAdapterCount() {
    if (!UsingASPI()) return 0;
    uint32_t info = Platform().GetASPI32SupportInfo();
    if (((info >> 8) & 0xFF) != kSS_COMP) return 0;
    return int32_t(info & 0xFF);
}

std::string SPTIDevicePath(const char* root) {
    std::string r = root;
    if (!r.empty() && (r.back() == '\\' || r.back() == '/')) r.pop_back();
    return "\\\\.\\" + r;
}

bool LSCSI::OpenSPTD(const char* root) {
    Close();
    hSCSIAdapter = Platform().OpenDevice(SPTIDevicePath(root).c_str());
    return hSCSIAdapter != kInvalidSCSIHandle;
}

void LSCSI::Close() {
    if (hSCSIAdapter != kInvalidSCSIHandle) Platform().CloseDevice(hSCSIAdapter);
    hSCSIAdapter = kInvalidSCSIHandle;
}

bool WaitTime(LProgress* progress, uint32_t milliseconds) {
    if (progress->IsCancelled()) return false;
    uint32_t left = milliseconds;
    while (left > 0) {
        uint32_t slice = left < 200 ? left : 200;
        Platform().Sleep(slice);
        left -= slice;
        if (progress->IsCancelled()) return false;
    }
    return true;
}

LProcessResult ProcessSCSISendASPISRB(LProgress* progress, LSCSI& scsi, SRB_GDEVBlock& srb, uint32_t timeoutMs) {
    return SendASPIRequest(progress, scsi, &srb, &srb.SRB_Status, &srb.SRB_HaId, &srb.SRB_Target, &srb.SRB_Lun,
                           timeoutMs);
}

LProcessResult ProcessSCSISendASPISRB(LProgress* progress, LSCSI& scsi, SRB_ExecSCSICmd& srb, uint32_t timeoutMs) {
    return SendASPIRequest(progress, scsi, &srb, &srb.SRB_Status, &srb.SRB_HaId, &srb.SRB_Target, &srb.SRB_Lun,
                           timeoutMs);
}

uint8_t ProcessSCSIGetDeviceType(LProgress* progress, LSCSI& scsi) {
    if (!UsingASPI()) return kDeviceTypeUnknown;
    SRB_GDEVBlock srb = {};
    srb.SRB_Cmd = kSC_GET_DEV_TYPE;
    if (ProcessSCSISendASPISRB(progress, scsi, srb, 5000) != kProcessDone) return kDeviceTypeUnknown;
    return srb.SRB_DeviceType;
}

int32_t ProcessSCSICDGetNumberCDDrives(LProgress* progress) {
    LSCSI scsi;
    int32_t n = WalkCDDrives(progress, scsi, -1, nullptr);
    return n < 0 ? 0 : n;
}

LProcessResult ProcessSCSICDOpenDrive(LProgress* progress, LSCSI& scsi, int32_t n) {
    if (n < 0) return kProcessFailed;
    std::string root;
    if (UsingASPI()) {
        LSCSI walk;
        if (WalkCDDrives(progress, walk, n, nullptr) != n + 1) return kProcessFailed;
        scsi.SetAddress(walk.nHostAdapter, walk.nTarget, walk.nLun);
        return kProcessDone;
    }
    if (WalkCDDrives(progress, scsi, n, &root) != n + 1) return kProcessFailed;
    // A device that cannot be opened shows up as a failed command later.
    scsi.OpenSPTD(root.c_str());
    return kProcessDone;
}

LProcessResult ProcessSCSIExecuteCommand(LProgress* progress, LSCSI& scsi, const uint8_t* cdb, uint32_t timeoutMs,
                                         uint32_t dataLength, uint8_t* buffer, uint8_t cdbLength) {
    if (cdbLength > 16) return kProcessFailed;
    if (UsingASPI()) {
        SRB_ExecSCSICmd srb = {};
        srb.SRB_Cmd = kSC_EXEC_SCSI_CMD;
        srb.SRB_Flags = kSRB_DIR_IN;
        srb.SRB_BufLen = dataLength;
        srb.SRB_BufPointer = buffer;
        srb.SRB_SenseLen = kSenseLength;
        srb.SRB_CDBLen = cdbLength;
        std::memcpy(srb.CDBByte, cdb, cdbLength);
        return ProcessSCSISendASPISRB(progress, scsi, srb, timeoutMs);
    }
    if (scsi.hSCSIAdapter == kInvalidSCSIHandle) {
        CDTrace("ProcessSCSIExecuteCommand scsi.hSCSIAdapter == INVALID_HANDLE_VALUE so FAILED");
        return kProcessFailed;
    }
    LSCSIPassThroughArea area = {};
    LSCSIPassThroughDirect& sptd = area.sptd;
    sptd.Length = sizeof(LSCSIPassThroughDirect);
    sptd.PathId = 0;
    sptd.TargetId = 0;
    sptd.Lun = 0;
    sptd.CdbLength = cdbLength;
    sptd.SenseInfoLength = kSenseLength;
    sptd.DataIn = kScsiIoctlDataIn;
    sptd.DataTransferLength = dataLength;
    sptd.TimeOutValue = timeoutMs / 1000 + 1;
    sptd.DataBuffer = buffer;
    sptd.SenseInfoOffset = offsetof(LSCSIPassThroughArea, ucSenseBuf);
    std::memcpy(sptd.Cdb, cdb, cdbLength);
    if (progress->IsCancelled()) return kProcessCancelled;
    bool ok = Platform().DeviceIoControl(scsi.hSCSIAdapter, kIoctlScsiPassThroughDirect, &area, sizeof area, &area,
                                         sizeof area);
    return ok ? kProcessDone : kProcessFailed;
}

LProcessResult ProcessSCSICDGetTOC(LProgress* progress, LSCSI& scsi, uint8_t& tracks, uint32_t* starts) {
    tracks = 0;
    LAlignedBuffer answer(kTOCBufferBytes);
    uint8_t cdb[kReadTOCCommandLength];
    BuildReadTOC(cdb);
    LProcessResult r = ProcessSCSIExecuteCommand(progress, scsi, cdb, kTOCTimeoutMs, kTOCBufferBytes, answer.Data(),
                                                 kReadTOCCommandLength);
    if (r != kProcessDone) return r;
    tracks = ParseTOC(answer.Data(), answer.Size(), starts);
    return kProcessDone;
}

LProcessResult ProcessSCSICDReadDASectors(LProgress* progress, LSCSI& scsi, uint8_t* buffer, uint8_t count,
                                          uint32_t lba) {
    uint8_t cdb[kReadCDCommandLength];
    BuildReadCD(cdb, lba, count);
    return ProcessSCSIExecuteCommand(progress, scsi, cdb, kReadCDTimeoutMs, ReadCDDataLength(count), buffer,
                                     kReadCDCommandLength);
}

void CDTrace(const char* text) {
    tDiagnostic = text;
    if (gTraceHook) gTraceHook(text);
}

const char* LastCDDiagnostic() { return tDiagnostic; }

void SetCDTraceHook(void (*hook)(const char*)) { gTraceHook = hook; }

}  // namespace sondrel
