// Builds RIFF WAVE files byte by byte, so that tests can put any chunk,
// size field or format value where they want it.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/LFile.h"
#include "support/TestUtil.h"

namespace sondrel::test {

using Bytes = std::vector<uint8_t>;

inline void Add16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Add32(Bytes& b, uint32_t v) {
    Add16(b, v);
    Add16(b, v >> 16);
}
inline uint32_t Get16(const Bytes& b, size_t at) { return uint32_t(b[at] | (b[at + 1] << 8)); }
inline uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }
inline void Set32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A chunk with its id, size field (the payload size unless given) and payload,
// followed by a pad byte when the payload has an odd size.
inline Bytes Chunk(const char* id, const Bytes& payload, int64_t sizeField = -1) {
    Bytes b(id, id + 4);
    Add32(b, sizeField < 0 ? uint32_t(payload.size()) : uint32_t(sizeField));
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1) b.push_back(0);
    return b;
}

// A "fmt " payload of the given size (14 or more): the common fields, then
// an extra-bytes count of 0 when there is room, then zeros.
inline Bytes FmtPayload(uint32_t tag, uint32_t chans, uint32_t rate, uint32_t bits, uint32_t size = 16) {
    Bytes b;
    uint32_t align = chans * ((bits + 7) / 8);
    Add16(b, tag);
    Add16(b, chans);
    Add32(b, rate);
    Add32(b, rate * align);
    Add16(b, align);
    Add16(b, bits);
    b.resize(size, 0);
    return b;
}

// "RIFF" + size + "WAVE" + the chunks.
inline Bytes Riff(const std::vector<Bytes>& chunks) {
    Bytes body;
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes b = {'R', 'I', 'F', 'F'};
    Add32(b, uint32_t(body.size() + 4));
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Pcm16(const std::vector<int16_t>& samples) {
    Bytes b;
    for (int16_t s : samples) Add16(b, uint16_t(s));
    return b;
}

// A plain 16-bit PCM file.
inline Bytes Wave16(uint32_t chans, uint32_t rate, const std::vector<int16_t>& samples) {
    return Riff({Chunk("fmt ", FmtPayload(1, chans, rate, 16)), Chunk("data", Pcm16(samples))});
}

inline std::string WriteBytes(const std::string& folder, const std::string& name, const Bytes& b) {
    std::string path = JoinPath(folder, name);
    LFile::WriteAll(path.c_str(), b.data(), b.size());
    return path;
}

// Offset of the first chunk with this id at or after from (walking chunk by
// chunk from the first one inside the RIFF chunk); the size of the file when absent.
inline size_t FindChunk(const Bytes& b, const char* id, size_t from = 12) {
    size_t at = from;
    while (at + 8 <= b.size()) {
        if (std::memcmp(&b[at], id, 4) == 0) return at;
        at += 8 + ((size_t(Get32(b, at + 4)) + 1) & ~size_t(1));
    }
    return b.size();
}

}  // namespace sondrel::test
