// The ASPI test double; what it does and how it is configured is in
// AspiDouble.h.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AspiDouble.h"

namespace {

// Request block offsets of ASPI for Win32. The blocks are byte-packed, so
// from the buffer pointer on, every field moves with the size of a pointer
// (4 bytes in the 32-bit library, 8 in the 64-bit one).
constexpr size_t kPtr = sizeof(void*);
enum : size_t {
    kCmd = 0,
    kStatus = 1,
    kHaId = 2,
    kFlags = 3,
    kTarget = 8,
    kLun = 9,
    kDeviceType = 10,
    kToAbort = 8,
    kBufLen = 12,
    kBufPointer = 16,
    kSenseLen = kBufPointer + kPtr,
    kCdbLen = kSenseLen + 1,
    kHaStat = kSenseLen + 2,
    kTargStat = kSenseLen + 3,
    kPostProc = kSenseLen + 4,
    kCdb = kPostProc + kPtr + 20,
    kSenseArea = kCdb + 16,
};

enum : uint8_t {
    SS_PENDING = 0,
    SS_COMP = 1,
    SS_ABORTED = 2,
    SS_ABORT_FAIL = 3,
    SS_ERR = 4,
    SS_INVALID_CMD = 0x80,
    SS_NO_DEVICE = 0x82,
    SS_NO_ADAPTERS = 0xE8,
};

constexpr uint32_t kSector = 2352;
constexpr int kTargetsPerAdapter = 7;

struct Drive {
    uint8_t type = 5;
    bool disc = false;
    HANDLE bin = INVALID_HANDLE_VALUE;
    std::vector<uint32_t> starts;  // first sector of each track
    uint32_t leadOut = 0;
    bool strictLeadOut = false;
    int64_t readError = -1;
    int64_t hangRead = -1;
    bool hangToc = false;
    DWORD asyncMs = 0;
};

struct Pending {
    uint8_t* srb;
    int drive;
    int64_t lba;  // -1 for READ TOC
};

CRITICAL_SECTION gLock;
bool gLoaded = false;
bool gConfigured = false;
std::vector<Drive> gDrives;
std::string gLog;
std::vector<Pending> gPending;

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
// A pointer stored in a request block (unaligned).
uint8_t* GetPointer(const uint8_t* p) {
    uint8_t* v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
uint32_t GetBE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
volatile uint8_t& Status(uint8_t* srb) { return *reinterpret_cast<volatile uint8_t*>(srb + kStatus); }
uint8_t SetStatus(uint8_t* srb, uint8_t s) {
    Status(srb) = s;
    return s;
}

void Log(const char* format, ...) {
    if (gLog.empty()) return;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (FILE* f = std::fopen(gLog.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line);
        std::fclose(f);
    }
}

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string t;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) end = line.size();
            t = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') t += line[i++];
        }
        out.push_back(t);
    }
    return out;
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return lines;
    std::string cur;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += char(c);
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    std::fclose(f);
    return lines;
}

// Reads a .cue sheet into a drive: its .bin and the tracks' first sectors.
bool LoadCue(const std::string& cue, Drive& d) {
    std::string folder = cue.substr(0, cue.find_last_of("\\/") == std::string::npos ? 0 : cue.find_last_of("\\/") + 1);
    std::string bin;
    for (const std::string& line : Lines(cue)) {
        std::vector<std::string> t = Tokens(line);
        if (t.size() >= 2 && t[0] == "FILE") {
            bin = (t[1].size() > 1 && (t[1][1] == ':' || t[1][0] == '\\')) ? t[1] : folder + t[1];
        } else if (t.size() >= 3 && t[0] == "INDEX" && t[1] == "01") {
            int mm = 0, ss = 0, ff = 0;
            if (std::sscanf(t[2].c_str(), "%d:%d:%d", &mm, &ss, &ff) != 3) return false;
            d.starts.push_back(uint32_t((mm * 60 + ss) * 75 + ff));
        }
    }
    if (bin.empty() || d.starts.empty()) return false;
    d.bin = CreateFileA(bin.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (d.bin == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    GetFileSizeEx(d.bin, &size);
    d.leadOut = uint32_t(size.QuadPart / kSector);
    d.disc = true;
    return true;
}

void LoadConfig() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("SONDREL_ASPI_DOUBLE", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    std::vector<std::string> lines = Lines(path);
    if (lines.empty()) return;
    for (const std::string& line : lines) {
        std::vector<std::string> t = Tokens(line);
        if (t.empty()) continue;
        if (t[0] == "log" && t.size() >= 2) {
            gLog = t[1];
        } else if (t[0] == "device" && t.size() >= 2) {
            Drive d;
            d.type = uint8_t(std::atoi(t[1].c_str()));
            gDrives.push_back(d);
        } else if (t[0] == "drive" && t.size() >= 2) {
            Drive d;
            if (t[1] != "empty") LoadCue(t[1], d);
            for (size_t i = 2; i < t.size(); ++i) {
                const std::string& s = t[i];
                if (s == "strict-leadout") d.strictLeadOut = true;
                else if (s == "hang-toc") d.hangToc = true;
                else if (s.rfind("read-error=", 0) == 0) d.readError = std::atoll(s.c_str() + 11);
                else if (s.rfind("hang-read=", 0) == 0) d.hangRead = std::atoll(s.c_str() + 10);
                else if (s.rfind("async=", 0) == 0) d.asyncMs = DWORD(std::atol(s.c_str() + 6));
            }
            gDrives.push_back(d);
        }
    }
    gConfigured = true;
}

void EnsureLoaded() {
    EnterCriticalSection(&gLock);
    if (!gLoaded) {
        gLoaded = true;
        LoadConfig();
    }
    LeaveCriticalSection(&gLock);
}

int DriveAt(uint8_t ha, uint8_t target, uint8_t lun) {
    if (lun != 0 || target >= kTargetsPerAdapter) return -1;
    size_t index = size_t(ha) * kTargetsPerAdapter + target;
    return index < gDrives.size() ? int(index) : -1;
}

void Sense(uint8_t* srb, uint8_t key, uint8_t asc) {
    uint8_t sense[18] = {0x70, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, 0};
    size_t len = srb[kSenseLen] < 16 ? srb[kSenseLen] : 16;
    std::memcpy(srb + kSenseArea, sense, len);
    srb[kTargStat] = 2;  // check condition
}

std::vector<uint8_t> Toc(const Drive& d) {
    size_t n = d.starts.size();
    uint32_t dataLength = uint32_t(2 + 8 * (n + 1));
    std::vector<uint8_t> t(4 + 8 * (n + 1), 0);
    t[0] = uint8_t(dataLength >> 8);
    t[1] = uint8_t(dataLength);
    t[2] = 1;
    t[3] = uint8_t(n);
    for (size_t i = 0; i <= n; ++i) {
        uint8_t* e = &t[4 + 8 * i];
        uint32_t lba = i < n ? d.starts[i] : d.leadOut;
        e[1] = 0x10;  // audio, Q sub-channel position
        e[2] = i < n ? uint8_t(i + 1) : 0xAA;
        e[4] = uint8_t(lba >> 24);
        e[5] = uint8_t(lba >> 16);
        e[6] = uint8_t(lba >> 8);
        e[7] = uint8_t(lba);
    }
    return t;
}

// Completes an asynchronous request after its delay unless it was aborted.
struct AsyncJob {
    uint8_t* srb;
    uint8_t result;
    DWORD delayMs;
};

DWORD WINAPI AsyncComplete(void* p) {
    AsyncJob job = *static_cast<AsyncJob*>(p);
    delete static_cast<AsyncJob*>(p);
    Sleep(job.delayMs);
    EnterCriticalSection(&gLock);
    for (size_t i = 0; i < gPending.size(); ++i)
        if (gPending[i].srb == job.srb) {
            gPending.erase(gPending.begin() + long(i));
            Status(job.srb) = job.result;
            break;
        }
    LeaveCriticalSection(&gLock);
    return 0;
}

// Finishes a served request: at once, later, or never (until aborted).
uint8_t Finish(uint8_t* srb, int drive, int64_t lba, uint8_t result, bool hang) {
    const Drive& d = gDrives[size_t(drive)];
    if (!hang && d.asyncMs == 0) {
        Status(srb) = result;
        return result;
    }
    gPending.push_back({srb, drive, lba});
    if (!hang) {
        HANDLE h = CreateThread(nullptr, 0, AsyncComplete, new AsyncJob{srb, result, d.asyncMs}, 0, nullptr);
        if (h) CloseHandle(h);
    }
    return SS_PENDING;
}

uint8_t Bad(uint8_t* srb, int drive, const char* reason) {
    Log("bad drive=%d %s", drive, reason);
    Status(srb) = SS_ERR;
    return SS_ERR;
}

uint8_t Execute(uint8_t* srb) {
    int drive = DriveAt(srb[kHaId], srb[kTarget], srb[kLun]);
    if (drive < 0) return SetStatus(srb, SS_NO_DEVICE);
    Drive& d = gDrives[size_t(drive)];
    if (d.type != 5) return Bad(srb, drive, "command to a device that is not a CD-ROM");
    srb[kHaStat] = 0;
    srb[kTargStat] = 0;
    const uint8_t* cdb = srb + kCdb;
    uint32_t bufLen = Get32(srb + kBufLen);
    uint8_t* buffer = GetPointer(srb + kBufPointer);
    if ((srb[kFlags] & 0x18) != 0x08) return Bad(srb, drive, "data direction is not in");
    if (srb[kSenseLen] > 16) return Bad(srb, drive, "sense length above 16");
    if (uintptr_t(buffer) & 15) return Bad(srb, drive, "buffer not aligned to 16 bytes");

    if (cdb[0] == 0x43) {
        uint32_t alloc = uint32_t(cdb[7]) << 8 | cdb[8];
        if (srb[kCdbLen] != 10) return Bad(srb, drive, "READ TOC block length is not 10");
        if ((cdb[1] & 2) || (cdb[2] & 0x0F) != 0) return Bad(srb, drive, "READ TOC not format 0 in LBA");
        if (bufLen < alloc) return Bad(srb, drive, "READ TOC buffer below its allocation length");
        uint8_t result = SS_COMP;
        if (!d.disc) {
            Sense(srb, 0x02, 0x3A);  // not ready, medium not present
            result = SS_ERR;
        } else {
            std::vector<uint8_t> toc = Toc(d);
            std::memcpy(buffer, toc.data(), toc.size() < alloc ? toc.size() : alloc);
        }
        uint8_t s = Finish(srb, drive, -1, result, d.hangToc);
        Log("toc drive=%d status=%d", drive, s);
        return s;
    }
    if (cdb[0] == 0xBE) {
        uint32_t lba = GetBE32(cdb + 2);
        uint32_t count = uint32_t(cdb[6]) << 16 | uint32_t(cdb[7]) << 8 | cdb[8];
        if (srb[kCdbLen] != 12) return Bad(srb, drive, "READ CD block length is not 12");
        if (cdb[9] != 0xF0) return Bad(srb, drive, "READ CD does not ask for whole 2352-byte sectors");
        if (bufLen != count * kSector) return Bad(srb, drive, "READ CD buffer length differs from count x 2352");
        auto covers = [&](int64_t s) { return s >= 0 && s >= int64_t(lba) && s < int64_t(lba) + count; };
        uint8_t result = SS_COMP;
        if (!d.disc) {
            Sense(srb, 0x02, 0x3A);
            result = SS_ERR;
        } else if (covers(d.readError)) {
            Sense(srb, 0x03, 0x11);  // medium error, unrecovered read error
            result = SS_ERR;
        } else if (d.strictLeadOut && uint64_t(lba) + count > d.leadOut) {
            Sense(srb, 0x05, 0x21);  // illegal request, LBA out of range
            result = SS_ERR;
        } else {
            std::memset(buffer, 0, bufLen);
            uint32_t have = lba < d.leadOut ? (d.leadOut - lba < count ? d.leadOut - lba : count) : 0;
            LARGE_INTEGER at;
            at.QuadPart = int64_t(lba) * kSector;
            DWORD got = 0;
            if (have && (!SetFilePointerEx(d.bin, at, nullptr, FILE_BEGIN) ||
                         !ReadFile(d.bin, buffer, have * kSector, &got, nullptr) || got != have * kSector)) {
                Sense(srb, 0x03, 0x11);
                result = SS_ERR;
            }
        }
        uint8_t s = Finish(srb, drive, lba, result, result == SS_COMP && covers(d.hangRead));
        Log("read drive=%d lba=%u count=%u status=%d", drive, lba, count, s);
        return s;
    }
    return Bad(srb, drive, "command not served");
}

uint8_t Abort(uint8_t* srb) {
    uint8_t* target = GetPointer(srb + kToAbort);
    for (size_t i = 0; i < gPending.size(); ++i) {
        if (gPending[i].srb != target) continue;
        Pending p = gPending[i];
        gPending.erase(gPending.begin() + long(i));
        Status(target) = SS_ABORTED;
        Log("abort drive=%d lba=%lld status=%d", p.drive, (long long)p.lba, SS_ABORTED);
        return SetStatus(srb, SS_COMP);
    }
    Log("abort drive=-1 lba=-1 status=%d", target ? int(Status(target)) : -1);
    return SetStatus(srb, SS_ABORT_FAIL);
}

}  // namespace

extern "C" __declspec(dllexport) DWORD __cdecl GetASPI32SupportInfo() {
    EnsureLoaded();
    if (!gConfigured) return DWORD(SS_NO_ADAPTERS) << 8;
    size_t adapters = (gDrives.size() + kTargetsPerAdapter - 1) / kTargetsPerAdapter;
    if (adapters == 0) adapters = 1;
    return DWORD(SS_COMP) << 8 | DWORD(adapters);
}

extern "C" __declspec(dllexport) DWORD __cdecl SendASPI32Command(void* request) {
    EnsureLoaded();
    auto* srb = static_cast<uint8_t*>(request);
    if (!srb) return SS_INVALID_CMD;
    EnterCriticalSection(&gLock);
    uint8_t result;
    switch (srb[kCmd]) {
        case 0x01: {  // SC_GET_DEV_TYPE
            int drive = DriveAt(srb[kHaId], srb[kTarget], srb[kLun]);
            if (drive < 0) {
                result = SetStatus(srb, SS_NO_DEVICE);
            } else {
                srb[kDeviceType] = gDrives[size_t(drive)].type;
                result = SetStatus(srb, SS_COMP);
            }
            break;
        }
        case 0x02:  // SC_EXEC_SCSI_CMD
            result = Execute(srb);
            break;
        case 0x03:  // SC_ABORT_SRB
            result = Abort(srb);
            break;
        default:
            result = SetStatus(srb, SS_INVALID_CMD);
    }
    LeaveCriticalSection(&gLock);
    return result;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&gLock);
    return TRUE;
}
