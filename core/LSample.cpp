#include "core/LSample.h"

namespace sondrel {

void ConvertFromPCM16(const int16_t* in, int32_t* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out[i] = FromPCM16(in[i]);
}
void ConvertFromPCM8(const uint8_t* in, int32_t* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out[i] = FromPCM8(in[i]);
}
void ConvertToPCM16(const int32_t* in, int16_t* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out[i] = ToPCM16(in[i]);
}
void ConvertToPCM8(const int32_t* in, uint8_t* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out[i] = ToPCM8(in[i]);
}

}  // namespace sondrel
