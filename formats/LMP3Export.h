// Saving as MP3 through the external LAME encoder. The program does not
// encode MP3 itself: the document is written to a temporary 16-bit WAV
// beside the target, and the encoder, run as a hidden child process under
// the progress dialog, turns it into the MP3. A file already at the target
// is replaced only by a complete new MP3, never by a partial one.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/LProgress.h"

namespace sondrel {

// "lame.exe" in the Windows build (found by the system's search order,
// which looks in the program's own folder first); "lame" natively (PATH).
extern const char* const kEncoderProgram;

// The encoder's arguments: -k no filtering, -h higher quality, --nohist no
// bit-rate histogram. It is not told to be quiet (-S): its progress lines on
// the error output move the progress bar (LEncoderProgress).
std::vector<std::string> EncoderArguments(const std::string& wavPath, const std::string& mp3Path);
// program -k -h --nohist "wav" "mp3", both paths in double quotes (the
// program too when it holds a blank). Empty when a path cannot stand inside
// double quotes: it is empty, holds a double quote, or ends in a backslash.
std::string EncoderCommandLine(const std::string& program, const std::string& wavPath, const std::string& mp3Path);

// The encoder's progress read from its error output, fed in pieces as they
// arrive. Its progress lines, each begun by a carriage return, read
// "   100/767    (13%)|    0:00/    0:00| ...": frames encoded, frames in
// all, the percentage. Everything else it writes is passed over.
class LEncoderProgress {
public:
    // True when the piece moved the fraction forward.
    bool Feed(const char* data, size_t bytes);
    // Frames encoded / frames in all, 0 until the first progress line.
    double Fraction() const { return fFraction; }

private:
    bool TakeLine();
    std::string szLine;  // the text since the last line end, kept short
    double fFraction = 0.0;
};

// The temporary WAV for an MP3 target: the target with the extension ".wav"
// when no file has that name, otherwise a new unique name beside the target,
// so that a user's own WAV is never overwritten. The file is created empty,
// keeping the name ours. Empty when no file can be created there.
std::string MakeEncoderWavePath(const std::string& mp3Path);

// False when the MP3 at path carries the encoder's "Info"/"Xing" frame
// with a byte count other than the file's size, or that frame still as the
// encoder reserved it (zeros): the file was cut short on a full disk. A
// file that does not start with an MPEG audio frame is not judged.
bool Mp3LooksComplete(const std::string& path);

// Encodes szWavePath into szMp3Path with the encoder program szEncoder.
struct SDSaveAsMp3 {
    std::string szWavePath;  // deleted at the end, whatever the result
    std::string szMp3Path;
    std::string szEncoder = kEncoderProgram;
};
// The bar follows the encoder's progress lines.
// 0: the target holds the new MP3. 1: the user cancelled; the encoder was
// ended and the target is as it was. 2: failed; the target is as it was and
// the cause was shown with the progress dialog's ShowError (the encoder
// could not be started, ended with a non-zero exit code or wrote no MP3
// data, its file is incomplete, or the new file could not take the old one's place). There is no
// time limit: a long document may take long to encode.
LProcessResult Process(LProgress* progress, SDSaveAsMp3& record);

}  // namespace sondrel
