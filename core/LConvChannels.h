// Mono/stereo converters built by LSPConvChannels.
#pragma once
#include <vector>

#include "core/LSoundStream.h"

namespace sondrel {

// Output frame i = the left sample of input frame i (the right channel is dropped).
class LSRCStereoToMono : public LSRCFilter {
public:
    explicit LSRCStereoToMono(const LSoundSourcePtr& input);
    void Read(int32_t* buffer, int32_t n) override;

private:
    std::vector<int32_t> buf_;
};

// Both samples of output frame i = input sample i.
class LSRCMonoToStereo : public LSRCFilter {
public:
    explicit LSRCMonoToStereo(const LSoundSourcePtr& input);
    void Read(int32_t* buffer, int32_t n) override;
};

}  // namespace sondrel
