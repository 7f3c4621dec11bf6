#include "support/TestUtil.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "support/LFile.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace sondrel::test {

uint32_t Seed() {
    static uint32_t seed = [] {
        if (const char* s = std::getenv("SONDREL_SEED")) return uint32_t(std::strtoul(s, nullptr, 10));
        return uint32_t(std::chrono::steady_clock::now().time_since_epoch().count() & 0x7FFFFFFF);
    }();
    return seed;
}

static unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return (unsigned long)getpid();
#endif
}

std::string ScratchDir(const std::string& tag) {
    static std::atomic<int> counter{0};
    namespace fs = std::filesystem;
    // The process id keeps tests of one program that CTest runs side by side apart.
    fs::path p = fs::current_path() / ("scratch-" + tag + "-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++));
    std::error_code ec;
    fs::remove_all(p, ec);
    fs::create_directories(p, ec);
    return p.string();
}

bool HavePeer(const char* program) {
#ifdef _WIN32
    (void)program;
    return false;
#else
    std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
#endif
}

int RunCommand(const std::string& command) {
#ifdef _WIN32
    (void)command;
    return -1;
#else
    int r = std::system(command.c_str());
    return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
#endif
}

std::string CommandOutput(const std::string& command) {
    std::string out;
#ifndef _WIN32
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
#else
    (void)command;
#endif
    return out;
}

VectorSource::VectorSource(std::vector<int32_t> samples, int32_t rate, uint32_t chans, int32_t peakBound)
    : LSoundSourceBase(rate, chans, peakBound), data_(std::move(samples)) {
    len_ = int32_t(data_.size() / nChans);
}

void VectorSource::Read(int32_t* buffer, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        int32_t f = pos_ + i;
        for (uint32_t c = 0; c < nChans; ++c)
            buffer[size_t(i) * nChans + c] = (f >= 0 && f < len_) ? data_[size_t(f) * nChans + c] : 0;
    }
    pos_ += n;
}

std::vector<int32_t> ReadAll(LSoundSourceBase& src, int32_t block) {
    std::vector<int32_t> out;
    std::vector<int32_t> buf(size_t(block) * src.nChans);
    while (src.GetPosition() < src.GetLength()) {
        int32_t n = std::min(block, src.GetLength() - src.GetPosition());
        src.Read(buf.data(), n);
        out.insert(out.end(), buf.begin(), buf.begin() + size_t(n) * src.nChans);
    }
    return out;
}

std::vector<int32_t> Sine(int32_t frames, uint32_t chans, int32_t rate, double hz, double amplitude) {
    std::vector<int32_t> v(size_t(frames) * chans);
    for (int32_t i = 0; i < frames; ++i) {
        int32_t s = int32_t(std::lround(amplitude * std::sin(2.0 * 3.14159265358979323846 * hz * i / rate)));
        for (uint32_t c = 0; c < chans; ++c) v[size_t(i) * chans + c] = s;
    }
    return v;
}

AudioMatch CompareAudio(const std::vector<int32_t>& original, const std::vector<int32_t>& copy, uint32_t chans,
                        int32_t maxLag) {
    AudioMatch m;
    const int64_t frames = int64_t(original.size() / chans), copyFrames = int64_t(copy.size() / chans);
    if (frames == 0 || copyFrames == 0) return m;
    // The lag: the best normalised correlation of the first channel over a
    // stretch of at most a second after the first maxLag frames.
    const int64_t from = std::min<int64_t>(maxLag, frames / 4);
    const int64_t span = std::min<int64_t>(44100, frames - from);
    double best = -2;
    for (int32_t lag = 0; lag <= maxLag; ++lag) {
        if (from + span + lag > copyFrames) break;
        double xy = 0, xx = 0, yy = 0;
        for (int64_t i = from; i < from + span; ++i) {
            double x = original[size_t(i * chans)], y = copy[size_t((i + lag) * chans)];
            xy += x * y;
            xx += x * x;
            yy += y * y;
        }
        double c = (xx > 0 && yy > 0) ? xy / std::sqrt(xx * yy) : 0;
        if (c > best) {
            best = c;
            m.lag = lag;
        }
    }
    double xy = 0, xx = 0, yy = 0;
    const int64_t n = std::min<int64_t>(frames, copyFrames - m.lag);
    for (int64_t i = 0; i < n * int64_t(chans); ++i) {
        double x = original[size_t(i)], y = copy[size_t(i + int64_t(m.lag) * chans)];
        xy += x * y;
        xx += x * x;
        yy += y * y;
    }
    m.correlation = (xx > 0 && yy > 0) ? xy / std::sqrt(xx * yy) : 0;
    m.levelDb = (xx > 0 && yy > 0) ? 10.0 * std::log10(yy / xx) : -999;
    m.extraFrames = copyFrames - frames - m.lag;
    return m;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> b;
    LFile::ReadAll(path.c_str(), b);
    return b;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return LFile::WriteAll(path.c_str(), bytes.data(), bytes.size());
}

bool WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int32_t rate, int32_t chans) {
    std::vector<uint8_t> b;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    const uint32_t data = uint32_t(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    u32(36 + data);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);
    u16(uint16_t(chans));
    u32(uint32_t(rate));
    u32(uint32_t(rate * chans * 2));
    u16(uint16_t(chans * 2));
    u16(16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    u32(data);
    for (int16_t s : samples) u16(uint16_t(s));
    return WriteBytes(path, b);
}

bool WriteSawtoothWav(const std::string& path) {
    std::vector<int16_t> samples(8000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(int(i % 40) * 800 - 16000);
    return WriteWav16(path, samples, 8000, 1);
}

}  // namespace sondrel::test
