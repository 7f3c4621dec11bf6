// An MP3 encoder that runs inside the test: installed as the child-process
// launcher, it records how it was started and, when waited for, does what
// the test asked of it, on the files named in its arguments.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "formats/LChildProcess.h"

namespace sondrel::test {

struct FakeEncoder {
    enum Mode {
        kCannotStart,        // Start fails, as for a missing program
        kCopiesTheWave,      // the "MP3" is a copy of the WAV it was given
        kWritesNothing,      // no output file at all
        kWritesEmptyFile,    // an output file of 0 bytes
        kRunsUntilCancelled  // writes part of its output, then runs until the user cancels
    };
    Mode mode = kCopiesTheWave;
    int exitCode = 0;

    // What happened.
    bool started = false, killed = false;
    std::string program, commandLine;
    std::vector<std::string> args;
    std::vector<uint8_t> waveSeen;  // the WAV's bytes when the encoder ran
};

// Makes `encoder` the launcher of every child process while it lives.
class FakeEncoderScope {
public:
    explicit FakeEncoderScope(FakeEncoder& encoder);
    ~FakeEncoderScope();
    FakeEncoderScope(const FakeEncoderScope&) = delete;
    FakeEncoderScope& operator=(const FakeEncoderScope&) = delete;

private:
    LChildProcessFactory previous_;
};

// The names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

}  // namespace sondrel::test
