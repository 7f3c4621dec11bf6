#include "core/LSoundTime.h"

#include <cstdio>

namespace sondrel {

namespace {
// Magnitude of a time; -2^31 stays representable as an unsigned value.
uint32_t Magnitude(int32_t ms, bool& negative) {
    negative = ms < 0;
    return negative ? uint32_t(0) - uint32_t(ms) : uint32_t(ms);
}
}  // namespace

void FormatPosition(LSoundTime t, char* text) {
    bool neg;
    uint32_t v = Magnitude(t.ms, neg) + 5;
    std::snprintf(text, 32, "%s%u:%.2u:%.2u.%.2u", neg ? "-" : "", v / 3600000u, (v / 60000u) % 60u,
                  (v / 1000u) % 60u, (v % 1000u) / 10u);
}

void FormatLength(LSoundTime t, char* text) {
    bool neg;
    uint32_t v = Magnitude(t.ms, neg);
    std::snprintf(text, 32, "%s%u:%.2u:%.2u.%.3u", neg ? "-" : "", v / 3600000u, (v / 60000u) % 60u,
                  (v / 1000u) % 60u, v % 1000u);
}

std::string FormatPosition(LSoundTime t) {
    char b[32];
    FormatPosition(t, b);
    return b;
}

std::string FormatLength(LSoundTime t) {
    char b[32];
    FormatLength(t, b);
    return b;
}

}  // namespace sondrel
