#include "FuzzUtil.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/LFile.h"

namespace sondrel::fuzz {

std::string WriteInput(const uint8_t* data, size_t size, const char* extension) {
    std::string path = TempFolder() + "/sondrel-fuzz-" + std::to_string(getpid()) + extension;
    LFile::WriteAll(path.c_str(), data, size);
    return path;
}

namespace {
void CheckGrowth(LSoundSourceBase& source, size_t inputBytes) {
    int64_t length = source.GetLength();
    if (length > kMaxFramesPerInputByte * int64_t(inputBytes)) {
        std::fprintf(stderr, "size-growth guard: %lld frames from %zu input bytes\n", (long long)length, inputBytes);
        std::abort();
    }
}
}  // namespace

void Drain(LSoundSourceBase& source, size_t inputBytes, int32_t maxFrames) {
    CheckGrowth(source, inputBytes);
    std::vector<int32_t> buf(size_t(kMaxBlockFrames) * source.nChans);
    int32_t len = std::min(source.GetLength(), maxFrames);
    int32_t done = 0;
    while (source.GetPosition() < len && done < maxFrames) {
        source.Read(buf.data(), 4096);
        done += 4096;
    }
    CheckGrowth(source, inputBytes);
    for (int32_t p : {len / 2, 0, -100, len + 10, 1}) {
        source.Seek(p);
        source.Read(buf.data(), 1000);
    }
}

}  // namespace sondrel::fuzz
