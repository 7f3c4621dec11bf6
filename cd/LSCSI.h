// The SCSI transport CD import sends its MMC commands through: the ASPI for
// Win32 library "WNASPI32" when it is present, otherwise the Windows SCSI
// pass-through interface (SPTI) on the drive's device. The choice is made
// once per process on first use. Everything here runs inside an operation
// of the progress dialog and waits by polling it, so the window stays alive
// and Cancel is noticed. Results are the operation codes: 0 done,
// 1 stopped by the user, 2 failed.
//
// The system calls sit behind LSCSIPlatform: the Windows build installs the
// real one, tests install a simulated drive.
#pragma once
#include <cstdint>
#include <string>

#include "core/LProgress.h"
#include "cd/LMMC.h"
#include "cd/LSCSIStructs.h"

namespace sondrel {

class LSCSIPlatform {
public:
    virtual ~LSCSIPlatform() = default;

    // Loads the ASPI library (it stays loaded); true when both
    // SendASPI32Command and GetASPI32SupportInfo were found.
    virtual bool LoadASPI() = 0;
    virtual uint32_t GetASPI32SupportInfo() = 0;
    virtual uint32_t SendASPI32Command(void* srb) = 0;

    // The logical drive roots ("C:\", "D:\", ...) as a list of texts each
    // ended by a 0, the whole list ended by a further 0, in a buffer of
    // bufferChars characters; false when the list cannot be had or does
    // not fit.
    virtual bool ListDriveRoots(char* buffer, uint32_t bufferChars) = 0;
    virtual bool IsCDROMDrive(const char* root) = 0;
    // Opens a device for reading and writing, shared both ways; -1 when it
    // cannot be opened.
    virtual intptr_t OpenDevice(const char* path) = 0;
    virtual void CloseDevice(intptr_t handle) = 0;
    virtual bool DeviceIoControl(intptr_t handle, uint32_t code, void* in, uint32_t inBytes, void* out,
                                 uint32_t outBytes) = 0;

    virtual void Sleep(uint32_t milliseconds) = 0;
};

// Makes platform the process-wide one (null: none, so no ASPI and no
// drives) and returns the previous one. The transport choice is made again
// on next use.
LSCSIPlatform* InstallSCSIPlatform(LSCSIPlatform* platform);
LSCSIPlatform* CurrentSCSIPlatform();

// The process-wide transport choice: -1 not yet detected, 0 SPTI, 1 ASPI.
extern int32_t UseASPI32;
// Sets UseASPI32 to 0, then to 1 when the ASPI library and both its entry
// points are there; returns whether it is 1.
bool _UseASPI32Detect();
// Host adapters ASPI reports; 0 when ASPI is not in use or reports a failure.
int32_t GetASPIAdapterCount();

constexpr intptr_t kInvalidSCSIHandle = -1;

// A drive address for one operation: host adapter, target and logical unit
// for ASPI, the device handle for SPTI.
class LSCSI {
public:
    LSCSI() = default;
    ~LSCSI() { Close(); }
    LSCSI(const LSCSI&) = delete;
    LSCSI& operator=(const LSCSI&) = delete;

    void SetAddress(int32_t adapter, int32_t target, int32_t lun) {
        nHostAdapter = adapter;
        nTarget = target;
        nLun = lun;
    }
    // Closes an open device, then opens the device of a drive root ("D:\"
    // opens \\.\D:); true when the handle is valid.
    bool OpenSPTD(const char* root);
    void Close();

    int32_t nHostAdapter = 0;
    int32_t nTarget = 0;
    int32_t nLun = 0;
    intptr_t hSCSIAdapter = kInvalidSCSIHandle;
};

// The device path of a drive root: "\\.\" and the root without its
// trailing separator.
std::string SPTIDevicePath(const char* root);

// Peripheral device type at the address (5: CD-ROM); 31 when ASPI is not
// in use or nothing answers.
uint8_t ProcessSCSIGetDeviceType(LProgress* progress, LSCSI& scsi);
int32_t ProcessSCSICDGetNumberCDDrives(LProgress* progress);
// Addresses (ASPI) or opens (SPTI) CD-ROM drive n, counted from 0; failed
// when there is no such drive.
LProcessResult ProcessSCSICDOpenDrive(LProgress* progress, LSCSI& scsi, int32_t n);
// Track count and count + 1 start addresses (the lead-out's last); starts
// holds kMaxTOCTracks + 1 entries. On failure the count is 0.
LProcessResult ProcessSCSICDGetTOC(LProgress* progress, LSCSI& scsi, uint8_t& tracks, uint32_t* starts);
// Reads count (1..255) audio sectors from lba into buffer (count x 2352 bytes).
LProcessResult ProcessSCSICDReadDASectors(LProgress* progress, LSCSI& scsi, uint8_t* buffer, uint8_t count,
                                          uint32_t lba);
// Sends a command block that moves dataLength bytes from the device into buffer.
LProcessResult ProcessSCSIExecuteCommand(LProgress* progress, LSCSI& scsi, const uint8_t* cdb, uint32_t timeoutMs,
                                         uint32_t dataLength, uint8_t* buffer, uint8_t cdbLength);
// Sends an ASPI request and polls its status until it completes, the
// time-out passes or the user cancels; the last two abort the request.
LProcessResult ProcessSCSISendASPISRB(LProgress* progress, LSCSI& scsi, SRB_GDEVBlock& srb, uint32_t timeoutMs);
LProcessResult ProcessSCSISendASPISRB(LProgress* progress, LSCSI& scsi, SRB_ExecSCSICmd& srb, uint32_t timeoutMs);

// The progress dialog's wait: false at once when cancelled, true at once
// for 0, otherwise sleeps in slices of at most 200 ms and polls after each.
bool WaitTime(LProgress* progress, uint32_t milliseconds);

// Diagnostic texts of CD import ("ProcessSCSISendASPISRB TimeOut", ...):
// for tracing only; nothing is shown or written unless a hook is set.
void CDTrace(const char* text);
const char* LastCDDiagnostic();
void SetCDTraceHook(void (*hook)(const char* text));

}  // namespace sondrel
