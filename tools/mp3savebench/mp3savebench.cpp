// mp3savebench: times the editor's Save As MP3 of a document against the
// same encoder run directly on the same WAV, alternating, in one run.
//   mp3savebench IN.wav WORKDIR [runs (3)]
// IN.wav is opened as a document (not timed). Each run then saves the
// document as WORKDIR/ours.mp3 the editor's way (the WAV pump into a
// temporary file beside the target, then the encoder) and runs the encoder
// itself on IN.wav into WORKDIR/direct.mp3, with the same launcher and
// options. The encoder is found as the editor finds it: "lame.exe" by the
// system's search order (run this from the folder that holds it), "lame"
// on the PATH natively. Prints the medians and the ratio ours / direct.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "formats/LChildProcess.h"
#include "formats/LMP3Export.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#ifdef _WIN32
#include "formats/win32/LChildProcessWin32.h"
#endif

using namespace sondrel;

namespace {

struct BenchHost : LDocumentHost {
    std::string error;
    LProcessResult RunOperation(const char*, const std::function<LProcessResult(LProgress*)>& op) override {
        struct P : LNullProgress {
            std::string* error;
            void ShowError(const char* text) override { *error = text; }
        } p;
        p.error = &error;
        return op(&p);
    }
    bool AskNewFileFormat() override { return true; }
    bool AskVoxSampleRate() override { return true; }
    bool AskConvertSampleRate(int32_t&) override { return false; }
    Answer Ask(const std::string&, bool) override { return kYes; }
    bool AskOpenPath(std::string&) override { return false; }
    bool AskSavePath(std::string&) override { return false; }
};

double Seconds(const std::function<bool()>& run, bool& ok) {
    auto a = std::chrono::steady_clock::now();
    ok = run() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mp3savebench IN.wav WORKDIR [runs]\n");
        return 2;
    }
    const std::string in = argv[1], work = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
#ifdef _WIN32
    InstallChildProcessLauncher();
#endif
    LMemorySettings settings;
    SetSettingsStore(&settings);
    std::vector<double> ours, direct;
    bool ok = true;
    {
        LCutTankScope tank(work);  // the document's segment file lives there too
        BenchHost host;
        LDocuments docs(host);
        if (!docs.LoadFile(in)) {
            std::fprintf(stderr, "mp3savebench: cannot open %s\n", in.c_str());
            return 1;
        }
        LSDFile& doc = *docs.Current();
        const std::string oursPath = JoinPath(work, "ours.mp3"), directPath = JoinPath(work, "direct.mp3");
        for (int i = 0; i < runs; ++i) {
            LFile::Delete(oursPath.c_str());
            LFile::Delete(directPath.c_str());
            doc.szFilePath = oursPath;
            ours.push_back(Seconds([&] { return docs.CmSave(); }, ok));
            direct.push_back(Seconds(
                [&] {
                    // The encoder as the save runs it, its progress read and passed over.
                    std::unique_ptr<LChildProcess> p = CreateChildProcess();
                    if (p) p->SetErrorReader([](const char*, size_t) {});
                    std::vector<std::string> args = EncoderArguments(in, directPath);
                    int code = -1;
                    LNullProgress none;
                    return p && p->Start(kEncoderProgram, args, EncoderCommandLine(kEncoderProgram, in, directPath)) &&
                           p->Wait(&none, code) == LChildProcess::kEnded && code == 0;
                },
                ok));
            std::fprintf(stderr, "run %d: ours %.2f s, direct %.2f s\n", i + 1, ours.back(), direct.back());
        }
        if (!ok) {
            std::fprintf(stderr, "mp3savebench: a save failed%s%s\n", host.error.empty() ? "" : ": ", host.error.c_str());
            return 1;
        }
        std::vector<uint8_t> a, b;
        LFile::ReadAll(oursPath.c_str(), a);
        LFile::ReadAll(directPath.c_str(), b);
        std::printf("MP3 files: %zu and %zu bytes, %s\n", a.size(), b.size(), a == b ? "identical" : "different");
        docs.ReleaseAll();
    }
    SetSettingsStore(nullptr);
    double mo = Median(ours), md = Median(direct);
    std::printf("%-44s %8.2f s\n", "Save As MP3 of the document (median)", mo);
    std::printf("%-44s %8.2f s\n", "the encoder alone on the same WAV (median)", md);
    std::printf("ratio ours / encoder alone: %.3f\n", mo / md);
    return 0;
}
