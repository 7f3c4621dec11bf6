// A simulated SCSI world for the CD import tests: an ASPI library with
// devices on host adapters, drive letters for the pass-through interface,
// discs whose sectors hold known bytes, and switches for the faults drives
// show (no disc, a read error, refusing reads past the lead-out, requests
// that complete late or never, an abort that is ignored). Time is virtual:
// the transport's sleeps advance a clock instead of waiting.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cd/LSCSI.h"

namespace sondrel::test {

// Audio tracks of given sector lengths, from LBA 0.
struct FakeDisc {
    std::vector<uint32_t> trackSectors;

    uint32_t Start(size_t track) const {
        uint32_t s = 0;
        for (size_t i = 0; i < track; ++i) s += trackSectors[i];
        return s;
    }
    uint32_t LeadOut() const { return Start(trackSectors.size()); }
    // The byte at offset i of sector lba; sectors past the lead-out read 0.
    uint8_t Byte(uint32_t lba, uint32_t i) const {
        if (lba >= LeadOut()) return 0;
        uint32_t x = lba * 2654435761u ^ (i * 40503u + 0x9E37u);
        x ^= x >> 13;
        return uint8_t(x * 0x5bd1e995u >> 24);
    }
    std::vector<uint8_t> Bytes(uint32_t lba, uint32_t sectors) const {
        std::vector<uint8_t> out(size_t(sectors) * kCDSectorBytes);
        for (uint32_t s = 0; s < sectors; ++s)
            for (uint32_t i = 0; i < kCDSectorBytes; ++i) out[size_t(s) * kCDSectorBytes + i] = Byte(lba + s, i);
        return out;
    }
};

struct FakeDevice {
    int ha = 0, target = 0, lun = 0;
    uint8_t type = kDeviceTypeCDROM;
    std::string root;  // drive root for the pass-through interface ("D:\")
    bool hasDisc = true;
    FakeDisc disc;
    bool strictLeadOut = false;     // READ CD reaching past the lead-out fails
    int64_t readErrorAt = -1;       // READ CD covering this sector fails
    int64_t hangAt = -1;            // READ CD covering this sector never completes
    uint32_t completeAfterMs = 0;   // requests complete this much (virtual) time after sending
};

class FakeSCSIPlatform : public LSCSIPlatform {
public:
    struct Command {
        size_t device;
        uint8_t op;
        uint32_t lba, count;
        uint32_t dataLength;
        bool aligned;
        uint8_t cdbLength;
    };

    // ASPI library
    bool aspiPresent = true;
    uint8_t supportStatus = kSS_COMP;
    uint8_t adapters = 1;
    bool abortIgnored = false;
    // Pass-through
    std::vector<std::string> roots;  // every logical drive root, CD-ROM or not
    bool rootsFail = false;
    bool ioctlFails = false;
    std::vector<std::string> unopenable;  // device paths that cannot be opened

    std::vector<FakeDevice> devices;
    std::vector<Command> commands;
    std::vector<std::string> opened;
    std::vector<SRB_ExecSCSICmd> execs;  // copies as sent
    std::vector<LSCSIPassThroughArea> ioctls;
    std::vector<void*> aborted;
    int loads = 0;
    int deviceTypeQueries = 0;
    int64_t nowMs = 0;

    FakeDevice& AddCD(int ha, int target, int lun, std::vector<uint32_t> tracks) {
        FakeDevice d;
        d.ha = ha;
        d.target = target;
        d.lun = lun;
        d.disc.trackSectors = std::move(tracks);
        devices.push_back(d);
        return devices.back();
    }
    FakeDevice& AddRootCD(const std::string& root, std::vector<uint32_t> tracks) {
        FakeDevice& d = AddCD(-1, -1, -1, std::move(tracks));
        d.root = root;
        roots.push_back(root);
        return d;
    }

    bool LoadASPI() override {
        ++loads;
        return aspiPresent;
    }
    uint32_t GetASPI32SupportInfo() override { return (uint32_t(supportStatus) << 8) | adapters; }

    uint32_t SendASPI32Command(void* p) override {
        uint8_t cmd = static_cast<uint8_t*>(p)[0];
        if (cmd == kSC_GET_DEV_TYPE) {
            auto* srb = static_cast<SRB_GDEVBlock*>(p);
            ++deviceTypeQueries;
            int d = Find(srb->SRB_HaId, srb->SRB_Target, srb->SRB_Lun);
            if (d < 0) return srb->SRB_Status = kSS_NO_DEVICE;
            srb->SRB_DeviceType = devices[size_t(d)].type;
            return srb->SRB_Status = kSS_COMP;
        }
        if (cmd == kSC_EXEC_SCSI_CMD) {
            auto* srb = static_cast<SRB_ExecSCSICmd*>(p);
            execs.push_back(*srb);
            int d = Find(srb->SRB_HaId, srb->SRB_Target, srb->SRB_Lun);
            if (d < 0) return srb->SRB_Status = kSS_NO_DEVICE;
            uint8_t status = Serve(size_t(d), srb->CDBByte, srb->SRB_CDBLen, srb->SRB_BufPointer, srb->SRB_BufLen);
            const FakeDevice& dev = devices[size_t(d)];
            if (status == kSS_PENDING) {
                pending.push_back({p, &srb->SRB_Status, -1, kSS_PENDING});
            } else if (dev.completeAfterMs > 0) {
                pending.push_back({p, &srb->SRB_Status, nowMs + dev.completeAfterMs, status});
            } else {
                srb->SRB_Status = status;
            }
            return srb->SRB_Status;
        }
        if (cmd == kSC_ABORT_SRB) {
            auto* srb = static_cast<SRB_Abort*>(p);
            aborted.push_back(srb->SRB_ToAbort);
            if (abortIgnored) return kSS_PENDING;
            for (size_t i = 0; i < pending.size(); ++i)
                if (pending[i].srb == srb->SRB_ToAbort) {
                    *pending[i].status = kSS_ABORTED;
                    pending.erase(pending.begin() + long(i));
                    break;
                }
            return srb->SRB_Status = kSS_COMP;
        }
        return kSS_ERR;
    }

    bool ListDriveRoots(char* buffer, uint32_t chars) override {
        if (rootsFail) return false;
        std::string list;
        for (const std::string& r : roots) list += r + '\0';
        list += '\0';
        if (list.size() > chars) return false;
        std::memcpy(buffer, list.data(), list.size());
        return true;
    }
    bool IsCDROMDrive(const char* root) override {
        for (const FakeDevice& d : devices)
            if (d.root == root) return d.type == kDeviceTypeCDROM;
        return false;
    }
    intptr_t OpenDevice(const char* path) override {
        opened.push_back(path);
        for (const std::string& u : unopenable)
            if (u == path) return kInvalidSCSIHandle;
        for (size_t i = 0; i < devices.size(); ++i)
            if (!devices[i].root.empty() && SPTIDevicePath(devices[i].root.c_str()) == path) return intptr_t(100 + i);
        return kInvalidSCSIHandle;
    }
    void CloseDevice(intptr_t handle) override { closed.push_back(handle); }
    bool DeviceIoControl(intptr_t handle, uint32_t code, void* in, uint32_t inBytes, void* out,
                         uint32_t outBytes) override {
        if (code != kIoctlScsiPassThroughDirect || in != out || inBytes != sizeof(LSCSIPassThroughArea) ||
            outBytes != inBytes)
            return false;
        auto* area = static_cast<LSCSIPassThroughArea*>(in);
        ioctls.push_back(*area);
        if (ioctlFails || handle < 100 || size_t(handle - 100) >= devices.size()) return false;
        LSCSIPassThroughDirect& s = area->sptd;
        uint8_t status = Serve(size_t(handle - 100), s.Cdb, s.CdbLength, static_cast<uint8_t*>(s.DataBuffer),
                               s.DataTransferLength);
        return status == kSS_COMP;
    }

    void Sleep(uint32_t ms) override {
        nowMs += ms;
        for (size_t i = 0; i < pending.size();) {
            if (pending[i].dueMs >= 0 && pending[i].dueMs <= nowMs) {
                *pending[i].status = pending[i].result;
                pending.erase(pending.begin() + long(i));
            } else {
                ++i;
            }
        }
    }

    // Reads of audio sectors, in order.
    std::vector<Command> Reads() const {
        std::vector<Command> r;
        for (const Command& c : commands)
            if (c.op == 0xBE) r.push_back(c);
        return r;
    }
    size_t PendingCount() const { return pending.size(); }

    std::vector<intptr_t> closed;

private:
    struct Pending {
        void* srb;
        uint8_t* status;
        int64_t dueMs;  // -1: never
        uint8_t result;
    };
    std::vector<Pending> pending;

    int Find(int ha, int target, int lun) const {
        for (size_t i = 0; i < devices.size(); ++i)
            if (devices[i].ha == ha && devices[i].target == target && devices[i].lun == lun) return int(i);
        return -1;
    }

    // Carries out a command block on a device: kSS_COMP, kSS_ERR, or
    // kSS_PENDING for a request that never completes.
    uint8_t Serve(size_t d, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer, uint32_t length) {
        const FakeDevice& dev = devices[d];
        Command c = {d, cdb[0], 0, 0, length, (reinterpret_cast<uintptr_t>(buffer) & 15) == 0, cdbLength};
        if (cdb[0] == 0x43) {
            commands.push_back(c);
            if (!dev.hasDisc || cdbLength != 10) return kSS_ERR;
            uint32_t alloc = (uint32_t(cdb[7]) << 8) | cdb[8];
            std::vector<uint8_t> toc = Toc(dev.disc);
            std::memcpy(buffer, toc.data(), std::min<size_t>({toc.size(), alloc, length}));
            return kSS_COMP;
        }
        if (cdb[0] == 0xBE) {
            c.lba = (uint32_t(cdb[2]) << 24) | (uint32_t(cdb[3]) << 16) | (uint32_t(cdb[4]) << 8) | cdb[5];
            c.count = (uint32_t(cdb[6]) << 16) | (uint32_t(cdb[7]) << 8) | cdb[8];
            commands.push_back(c);
            if (!dev.hasDisc || cdbLength != 12 || cdb[9] != 0xF0 || length != c.count * kCDSectorBytes)
                return kSS_ERR;
            auto covers = [&](int64_t s) { return s >= 0 && s >= c.lba && s < int64_t(c.lba) + c.count; };
            if (covers(dev.readErrorAt)) return kSS_ERR;
            if (dev.strictLeadOut && c.lba + c.count > dev.disc.LeadOut()) return kSS_ERR;
            if (covers(dev.hangAt)) return kSS_PENDING;
            std::vector<uint8_t> bytes = dev.disc.Bytes(c.lba, c.count);
            std::memcpy(buffer, bytes.data(), bytes.size());
            return kSS_COMP;
        }
        commands.push_back(c);
        return kSS_ERR;
    }

    static std::vector<uint8_t> Toc(const FakeDisc& disc) {
        size_t n = disc.trackSectors.size();
        uint32_t dataLength = uint32_t(2 + 8 * (n + 1));
        std::vector<uint8_t> t(4 + 8 * (n + 1));
        t[0] = uint8_t(dataLength >> 8);
        t[1] = uint8_t(dataLength);
        t[2] = 1;
        t[3] = uint8_t(n);
        for (size_t i = 0; i <= n; ++i) {
            uint8_t* e = &t[4 + 8 * i];
            uint32_t lba = disc.Start(i);
            e[1] = 0x10;
            e[2] = i == n ? 0xAA : uint8_t(i + 1);
            e[4] = uint8_t(lba >> 24);
            e[5] = uint8_t(lba >> 16);
            e[6] = uint8_t(lba >> 8);
            e[7] = uint8_t(lba);
        }
        return t;
    }
};

// Installs a fake for the scope of a test and puts the previous platform back.
class FakeSCSIScope {
public:
    explicit FakeSCSIScope(FakeSCSIPlatform& fake) : previous_(InstallSCSIPlatform(&fake)) {}
    ~FakeSCSIScope() { InstallSCSIPlatform(previous_); }

private:
    LSCSIPlatform* previous_;
};

// A progress that records what it is shown and cancels at a chosen poll.
class RecordingProgress : public LProgress {
public:
    int cancelAtPoll = -1;  // the poll (counted from 0) that first reports cancel
    int polls = 0;
    std::vector<std::string> lines[2];
    std::vector<double> fractions;

    bool IsCancelled() override {
        bool c = cancelAtPoll >= 0 && polls >= cancelAtPoll;
        ++polls;
        return c;
    }
    void SetText(const char* text, int line) override {
        if (line == 0 || line == 1) lines[line].push_back(text);
    }
    void SetProgress(double f) override { fractions.push_back(f); }
};

}  // namespace sondrel::test
