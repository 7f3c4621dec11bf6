#include "formats/LMP3Export.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/LChildProcess.h"
#include "support/LFile.h"

namespace sondrel {

#ifdef _WIN32
const char* const kEncoderProgram = "lame.exe";
static const char kEncoderHint[] = "Sondrel runs it from its own program folder; installing Sondrel again puts it back.";
#else
const char* const kEncoderProgram = "lame";
static const char kEncoderHint[] = "Install the \"lame\" package, or put the encoder on the PATH.";
#endif

namespace {

bool Quotable(const std::string& path) {
    return !path.empty() && path.find('"') == std::string::npos && path.back() != '\\';
}

// The folder part of a path with its trailing separator ("" for a bare name).
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool HasData(const std::string& path) {
    LFile f;
    return f.Open(path.c_str(), LFile::kRead) && f.Size() > 0;
}

uint32_t BigEndian32(const uint8_t* b) { return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]; }

}  // namespace

// The encoder writes its "Info"/"Xing" frame last, over the first frame,
// with the whole file's size in it. When the disk fills during its final
// flush it still exits with 0; the size in that frame (or the frame never
// filled in) is then what tells.
bool Mp3LooksComplete(const std::string& path) {
    LFile f;
    if (!f.Open(path.c_str(), LFile::kRead)) return false;
    const int64_t size = f.Size();
    uint8_t head[200] = {};
    uint32_t got = f.Read(head, sizeof head);
    if (got < 4 || head[0] != 0xFF || (head[1] & 0xE0) != 0xE0) return true;  // no frame to judge by
    // The tag follows the side information: its place depends on the MPEG
    // version and the channel mode (ISO/IEC 11172-3 2.4.1.7, 13818-3).
    const bool mpeg1 = (head[1] & 0x18) == 0x18;
    const bool mono = (head[3] & 0xC0) == 0xC0;
    const uint32_t at = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (got < at + 16) return true;
    const uint8_t* tag = head + at;
    if (std::memcmp(tag, "Info", 4) != 0 && std::memcmp(tag, "Xing", 4) != 0) {
        // The encoder reserves the frame with zeros and fills it in at the
        // very end; still zero, it was never filled in. (Run as we run it,
        // the encoder always writes that frame.)
        return std::any_of(head + 4, head + at + 16, [](uint8_t b) { return b != 0; });
    }
    const uint32_t flags = BigEndian32(tag + 4);
    if (!(flags & 2)) return true;  // the tag carries no byte count
    const uint8_t* bytes = tag + 8 + ((flags & 1) ? 4 : 0);
    return int64_t(BigEndian32(bytes)) == size;
}

namespace {

LProcessResult Fail(LProgress* progress, const std::string& text) {
    progress->ShowError(text.c_str());
    return kProcessFailed;
}

LProcessResult Encode(LProgress* progress, const SDSaveAsMp3& rec) {
    const std::string& target = rec.szMp3Path;
    const std::string notSaved = "The MP3 file \"" + target + "\" was not saved: ";
    const std::string encoder = "the encoder \"" + rec.szEncoder + "\"";

    // A file already at the target stays until the new MP3 is complete: the
    // encoder writes beside it, and the new file takes its place afterwards.
    std::string out = target;
    if (LFile::Exists(target.c_str())) {
        out = MakeTempFile(FolderOf(target), "mp3");
        if (out.empty()) {
            LFailureNote why;
            why.eKind = LFile::LastError();
            return Fail(progress, notSaved + "no new file can be made in its folder (" + FailureText(why) + ").");
        }
    }
    auto discard = [&] { LFile::Delete(out.c_str()); };

    std::string commandLine = EncoderCommandLine(rec.szEncoder, rec.szWavePath, out);
    if (commandLine.empty()) {
        discard();
        return Fail(progress, notSaved + encoder + " cannot be given this file name.");
    }
    std::unique_ptr<LChildProcess> child = CreateChildProcess();
    LEncoderProgress encoded;
    if (child) child->SetErrorReader([&](const char* data, size_t bytes) {
        if (encoded.Feed(data, bytes)) progress->SetProgress(encoded.Fraction());
    });
    if (!child || !child->Start(rec.szEncoder, EncoderArguments(rec.szWavePath, out), commandLine)) {
        discard();
        return Fail(progress, notSaved + encoder + " could not be started.\r\n\r\n" + kEncoderHint);
    }
    int exitCode = 0;
    if (child->Wait(progress, exitCode) == LChildProcess::kCancelled) {
        child->Kill();  // its partial file must be closed before it can go
        discard();
        return kProcessCancelled;
    }
    if (exitCode != 0) {
        discard();
        return Fail(progress, notSaved + encoder + " failed (exit code " + std::to_string(exitCode) + ").");
    }
    if (!HasData(out)) {
        discard();
        return Fail(progress, notSaved + encoder + " wrote no MP3 data.");
    }
    if (!Mp3LooksComplete(out)) {
        discard();
        return Fail(progress, notSaved + encoder + " could not write the whole file (the disk may be full).");
    }
    if (out != target && !LFile::Replace(out.c_str(), target.c_str())) {
        discard();
        return Fail(progress, notSaved + "the file there could not be replaced (it may be open in another program).");
    }
    return kProcessDone;
}

}  // namespace

std::vector<std::string> EncoderArguments(const std::string& wavPath, const std::string& mp3Path) {
    return {"-k", "-h", "--nohist", wavPath, mp3Path};
}

std::string EncoderCommandLine(const std::string& program, const std::string& wavPath, const std::string& mp3Path) {
    if (!Quotable(program) || !Quotable(wavPath) || !Quotable(mp3Path)) return std::string();
    bool blank = program.find_first_of(" \t") != std::string::npos;
    std::string line = blank ? "\"" + program + "\"" : program;
    return line + " -k -h --nohist \"" + wavPath + "\" \"" + mp3Path + "\"";
}

bool LEncoderProgress::Feed(const char* data, size_t bytes) {
    bool moved = false;
    for (size_t i = 0; i < bytes; ++i) {
        char c = data[i];
        if (c == '\r' || c == '\n') {
            moved = TakeLine() || moved;
            szLine.clear();
        } else if (szLine.size() < 64) {  // the numbers come first; the rest of a line is not needed
            szLine += c;
        }
    }
    // The encoder ends a progress line only when it writes the next one: a
    // line read this far counts now.
    return TakeLine() || moved;
}

bool LEncoderProgress::TakeLine() {
    const char* p = szLine.c_str();
    auto number = [&p](uint64_t& value) {
        int digits = 0;
        value = 0;
        for (; *p >= '0' && *p <= '9' && digits < 12; ++p, ++digits) value = value * 10 + uint64_t(*p - '0');
        return digits > 0 && !(*p >= '0' && *p <= '9');
    };
    while (*p == ' ') ++p;
    uint64_t done = 0, total = 0;
    if (!number(done) || *p++ != '/' || !number(total)) return false;
    while (*p == ' ') ++p;
    if (*p != '(' || total == 0 || done > total) return false;
    double fraction = double(done) / double(total);
    if (fraction <= fFraction) return false;
    fFraction = fraction;
    return true;
}

std::string MakeEncoderWavePath(const std::string& mp3Path) {
    size_t slash = mp3Path.find_last_of("\\/");
    size_t dot = mp3Path.find_last_of('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string beside = (hasExtension ? mp3Path.substr(0, dot) : mp3Path) + ".wav";
    // Made only where nothing of that name is, and never through a link.
    LFile made;
    if (made.Open(beside.c_str(), LFile::kCreateNew)) return made.Close() ? beside : std::string();
    if (LFile::LastError() != LFailure::kExists) return std::string();
    // The user's own WAV has that name: any other name serves, the encoder
    // is given both paths.
    return MakeTempFile(FolderOf(mp3Path), "wav");
}

LProcessResult Process(LProgress* progress, SDSaveAsMp3& record) {
    progress->SetText("Encoding MP3", 0);
    progress->SetText("Please wait...", 1);
    progress->SetProgress(0.0);
    LProcessResult result = Encode(progress, record);
    LFile::Delete(record.szWavePath.c_str());
    return result;
}

}  // namespace sondrel
