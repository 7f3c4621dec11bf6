// Time positions and durations in milliseconds, converted to frames with
// integer arithmetic at a given rate.
#pragma once
#include <cstdint>
#include <string>

namespace sondrel {

struct LSoundTime {
    int32_t ms = 0;

    LSoundTime() = default;
    constexpr explicit LSoundTime(int32_t milliseconds) : ms(milliseconds) {}

    // Both conversions saturate at the ends of the 32-bit range instead of
    // wrapping: a far position must stay far, not turn into a near one.
    void SetSamples(int32_t frames, int32_t rate) {
        if (rate <= 0) {
            ms = 0;
            return;
        }
        ms = Saturate((int64_t(frames) / rate) * 1000 + ((int64_t(frames) % rate) * 1000) / rate);
    }
    int32_t GetSamples(int32_t rate) const {
        return Saturate((int64_t(ms) / 1000) * rate + ((int64_t(ms) % 1000) * rate) / 1000);
    }
    static constexpr int32_t Saturate(int64_t v) {
        return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
    }
    static LSoundTime FromSamples(int32_t frames, int32_t rate) {
        LSoundTime t;
        t.SetSamples(frames, rate);
        return t;
    }
    friend bool operator==(LSoundTime a, LSoundTime b) { return a.ms == b.ms; }
    friend auto operator<=>(LSoundTime a, LSoundTime b) { return a.ms <=> b.ms; }
};

// "h:mm:ss.hh", rounded to the nearest hundredth; negative times get a "-".
// text must hold at least 32 characters.
void FormatPosition(LSoundTime t, char* text);
// "h:mm:ss.mmm", exact; negative times get a "-".
void FormatLength(LSoundTime t, char* text);
std::string FormatPosition(LSoundTime t);
std::string FormatLength(LSoundTime t);

}  // namespace sondrel
