// The request blocks of the ASPI for Win32 interface and the pass-through
// structure of the Windows SCSI interface, with the field names and layouts
// published for 32-bit Windows. The native build uses the same declarations
// with its own pointer width, so the transport's logic can be tested against
// a simulated drive; the layout checks hold for the Windows build.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sondrel {

// ASPI command codes (SRB_Cmd).
enum : uint8_t {
    kSC_GET_DEV_TYPE = 0x01,
    kSC_EXEC_SCSI_CMD = 0x02,
    kSC_ABORT_SRB = 0x03,
};

// ASPI request status (SRB_Status) and the status byte of GetASPI32SupportInfo.
enum : uint8_t {
    kSS_PENDING = 0x00,
    kSS_COMP = 0x01,
    kSS_ABORTED = 0x02,
    kSS_ERR = 0x04,
    kSS_NO_DEVICE = 0x82,
    kSS_NO_ADAPTERS = 0xE8,
};

constexpr uint8_t kSRB_DIR_IN = 0x08;  // data moves from the device to the host
constexpr uint8_t kSenseLength = 14;   // sense bytes asked for, both transports
constexpr uint8_t kDeviceTypeCDROM = 5;
constexpr uint8_t kDeviceTypeUnknown = 31;

#pragma pack(push, 1)
// SC_GET_DEV_TYPE.
struct SRB_GDEVBlock {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
};

// SC_EXEC_SCSI_CMD.
struct SRB_ExecSCSICmd {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    void* SRB_PostProc;
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[16];
    uint8_t SenseArea[kSenseLength + 2];
};

// SC_ABORT_SRB.
struct SRB_Abort {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    void* SRB_ToAbort;
};
#pragma pack(pop)

// IOCTL_SCSI_PASS_THROUGH_DIRECT and its data direction SCSI_IOCTL_DATA_IN.
constexpr uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
constexpr uint8_t kScsiIoctlDataIn = 1;

// SCSI_PASS_THROUGH_DIRECT (natural alignment).
struct LSCSIPassThroughDirect {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};

// The area handed to the device call: the structure, then room for the
// sense data the driver writes at SenseInfoOffset.
struct LSCSIPassThroughArea {
    LSCSIPassThroughDirect sptd;
    uint32_t nFiller;
    uint8_t ucSenseBuf[32];
};

// The layouts the ASPI library and the device call expect: byte-packed
// request blocks whose pointers are 4 bytes in 32-bit Windows and 8 in 64-bit
// Windows, and the pass-through structure with natural alignment.
static_assert(sizeof(SRB_GDEVBlock) == 12 && offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12 && offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20 && offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48 && offsetof(SRB_ExecSCSICmd, SenseArea) == 64);
static_assert(sizeof(SRB_ExecSCSICmd) == 80);
static_assert(sizeof(SRB_Abort) == 12 && offsetof(SRB_Abort, SRB_ToAbort) == 8);
static_assert(sizeof(LSCSIPassThroughDirect) == 44);
static_assert(offsetof(LSCSIPassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(LSCSIPassThroughDirect, DataBuffer) == 20 && offsetof(LSCSIPassThroughDirect, Cdb) == 28);
static_assert(sizeof(LSCSIPassThroughArea) == 80 && offsetof(LSCSIPassThroughArea, ucSenseBuf) == 48);
#elif defined(_WIN64)
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 24 && offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 28);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 56 && offsetof(SRB_ExecSCSICmd, SenseArea) == 72);
static_assert(sizeof(SRB_ExecSCSICmd) == 88);
static_assert(sizeof(SRB_Abort) == 16 && offsetof(SRB_Abort, SRB_ToAbort) == 8);
static_assert(sizeof(LSCSIPassThroughDirect) == 56);
static_assert(offsetof(LSCSIPassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(LSCSIPassThroughDirect, DataBuffer) == 24 && offsetof(LSCSIPassThroughDirect, Cdb) == 36);
#endif

}  // namespace sondrel
