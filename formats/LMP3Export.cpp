#include "formats/LMP3Export.h"

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
        out = MakeTempFile(FolderOf(target), "~snd");
        if (out.empty()) return Fail(progress, notSaved + "no new file can be made in its folder.");
    }
    auto discard = [&] { LFile::Delete(out.c_str()); };

    std::string commandLine = EncoderCommandLine(rec.szEncoder, rec.szWavePath, out);
    if (commandLine.empty()) {
        discard();
        return Fail(progress, notSaved + encoder + " cannot be given this file name.");
    }
    std::unique_ptr<LChildProcess> child = CreateChildProcess();
    if (!child || !child->Start(rec.szEncoder, {"-k", "-S", "-h", rec.szWavePath, out}, commandLine)) {
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
    if (out != target && !LFile::Replace(out.c_str(), target.c_str())) {
        discard();
        return Fail(progress, notSaved + "the file there could not be replaced (it may be open in another program).");
    }
    return kProcessDone;
}

}  // namespace

std::string EncoderCommandLine(const std::string& program, const std::string& wavPath, const std::string& mp3Path) {
    if (!Quotable(program) || !Quotable(wavPath) || !Quotable(mp3Path)) return std::string();
    bool blank = program.find_first_of(" \t") != std::string::npos;
    std::string line = blank ? "\"" + program + "\"" : program;
    return line + " -k -S -h \"" + wavPath + "\" \"" + mp3Path + "\"";
}

std::string MakeEncoderWavePath(const std::string& mp3Path) {
    size_t slash = mp3Path.find_last_of("\\/");
    size_t dot = mp3Path.find_last_of('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string beside = (hasExtension ? mp3Path.substr(0, dot) : mp3Path) + ".wav";
    if (!LFile::Exists(beside.c_str())) return LFile::WriteAll(beside.c_str(), nullptr, 0) ? beside : std::string();
    // The user's own WAV has that name: any other name serves, the encoder
    // is given both paths.
    return MakeTempFile(FolderOf(mp3Path), "~snd");
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
