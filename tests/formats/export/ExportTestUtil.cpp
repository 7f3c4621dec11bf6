#include "formats/export/ExportTestUtil.h"

#include <algorithm>
#include <filesystem>

#include "support/LFile.h"

namespace sondrel::test {

namespace {

FakeEncoder* gEncoder = nullptr;

class FakeProcess : public LChildProcess {
public:
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::string& commandLine) override {
        FakeEncoder& e = *gEncoder;
        e.program = program;
        e.args = args;
        e.commandLine = commandLine;
        if (e.mode == FakeEncoder::kCannotStart) return false;
        e.started = true;
        return true;
    }
    WaitResult Wait(LProgress* progress, int& exitCode) override {
        FakeEncoder& e = *gEncoder;
        const std::string& wav = e.args.at(3);
        const std::string& out = e.args.at(4);
        LFile::ReadAll(wav.c_str(), e.waveSeen);
        switch (e.mode) {
            case FakeEncoder::kCannotStart: break;
            case FakeEncoder::kCopiesTheWave: LFile::WriteAll(out.c_str(), e.waveSeen.data(), e.waveSeen.size()); break;
            case FakeEncoder::kWritesNothing: LFile::Delete(out.c_str()); break;
            case FakeEncoder::kWritesEmptyFile: LFile::WriteAll(out.c_str(), nullptr, 0); break;
            case FakeEncoder::kRunsUntilCancelled:
                LFile::WriteAll(out.c_str(), "partial", 7);
                while (!progress->IsCancelled()) {
                }
                return kCancelled;
        }
        exitCode = e.exitCode;
        return kEnded;
    }
    void Kill() override { gEncoder->killed = true; }
};

std::unique_ptr<LChildProcess> MakeFake() { return std::make_unique<FakeProcess>(); }

}  // namespace

FakeEncoderScope::FakeEncoderScope(FakeEncoder& encoder) : previous_(pCreateChildProcess) {
    gEncoder = &encoder;
    pCreateChildProcess = MakeFake;
}

FakeEncoderScope::~FakeEncoderScope() {
    pCreateChildProcess = previous_;
    gEncoder = nullptr;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace sondrel::test
