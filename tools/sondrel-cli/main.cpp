// sondrel-cli: batch editing on the editor's own document operations.
//   sondrel-cli [--quiet] [--vox-rate HZ] INPUT [STEP ...] OUTPUT
// Exit codes: 0 done, 1 cancelled (Ctrl-C), 2 error.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#define isatty _isatty
#define fileno _fileno
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "document/LEditCommands.h"
#include "effects/LEffectCommands.h"
#include "effects/LDynamicsCommands.h"
#include "effects/LEffectParams.h"
#include "effects/PointList.h"
#include "support/LFile.h"
#include "support/LSettings.h"

using namespace sondrel;

namespace {

std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted = true; }

const char kUsage[] =
    "usage: sondrel-cli [--quiet] [--vox-rate HZ] INPUT [STEP ...] OUTPUT\n"
    "\n"
    "Opens INPUT as the editor does (by extension: .wav .mp3 .gsm .vox), selects the whole file with the\n"
    "position at 0, runs the steps in order as the editor's commands do, and saves OUTPUT by its\n"
    "extension (.wav as 16-bit PCM, .gsm, .vox). Times are milliseconds or h:mm:ss.hh.\n"
    "\n"
    "Selection and position:\n"
    "  --select START,END          select a range\n"
    "  --select-all                select the whole file\n"
    "  --position T                move the position (insert point, trim point)\n"
    "Edits:\n"
    "  --cut, --copy, --paste      through the clipboard (paste replaces the selection)\n"
    "  --delete, --trim            delete the selection / keep only the selection\n"
    "  --trim-start, --trim-end    delete before / after the position\n"
    "  --silence                   silence the selection\n"
    "  --insert-silence MS[,begin|current|end]   (default current)\n"
    "  --insert-file FILE[,begin|current|end]    (default current)\n"
    "  --repeat N                  the selection plays N more times\n"
    "  --copy-to-new               continue on a new document holding the selection\n"
    "  --undo                      undo the last edit (eight steps deep)\n"
    "Effects on the selection:\n"
    "  --amplify PERCENT           at most 100\n"
    "  --normalize PERCENT         peak level, at most 100\n"
    "  --fade-in, --fade-out       linear fades over the selection\n"
    "  --fade-out-trim             fade out, then delete everything after the selection\n"
    "  --envelope CURVEFILE        gain curve (129-byte point list, as envelope.dat)\n"
    "  --echo MS,PERCENT           echo time 10..2999, gain below 100\n"
    "  --reverb LEVEL,MS           level at most 100, time 50..1000\n"
    "  --low-cut HZ                high-pass at the dialog's frequency\n"
    "  --equalizer CURVEFILE       equaliser curve (129-byte point list, as equalizer.dat)\n"
    "  --paste-mix VOLUME,MODE[,FADE_MS]   mix the clipboard over the selection; MODE when it is\n"
    "                              longer: 0 increase selection, 1 insert silence, 2 fade out mix\n"
    "                              (FADE_MS default 250)\n"
    "  --mix-file FILE,VOLUME,MODE mix a file over the selection (MODE as for --paste-mix, no fade)\n"
    "  --auto-trim                 delete the quiet start and end (threshold -24 dB)\n"
    "  --compressor THRESHOLD_DB,RATIO_INDEX,LIMIT_DB   threshold -40..0, ratio 0..6\n"
    "                              (1:1 3:2 2:1 3:1 4:1 5:1 Limit), limit 0..12\n"
    "  --noise-reduction DB        gate level -40..0\n"
    "  --auto-gain                 automatic gain control (the position goes to 0)\n"
    "  --speed-pitch PERCENT       speed and pitch together   } at most 300; below 10\n"
    "  --tempo PERCENT             speed at constant pitch    } acts as 10; the selection\n"
    "  --pitch PERCENT             pitch at constant speed    } ends with the new audio\n"
    "Conversion:\n"
    "  --rate HZ                   6000..96000\n"
    "  --mono, --stereo\n"
    "\n"
    "--vox-rate HZ gives the rate of a .vox INPUT or inserted file (default 8000).\n"
    "Exit codes: 0 done, 1 cancelled by Ctrl-C or a termination signal (no OUTPUT is left),\n"
    "2 error (the message names the file and the cause; an OUTPUT that was there is kept).\n";

class CliHost : public LDocumentHost {
public:
    bool bShowProgress = false;
    int32_t nConvertRate = 0;

    int RunOperation(const char* title, const std::function<int(LProgress*)>& op) override {
        struct P : LProgress {
            bool show;
            std::string title;
            int last = -1;
            bool IsCancelled() override { return gInterrupted.load(); }
            void SetText(const char*, int) override {}
            void SetProgress(double f) override {
                if (!show) return;
                int pct = int(f * 100.0);
                if (pct == last) return;
                last = pct;
                int bar = pct / 4;
                std::fprintf(stderr, "\r%-28.28s [%-25.*s] %3d%%", title.c_str(), bar, "#########################", pct);
                std::fflush(stderr);
            }
        } p;
        p.show = bShowProgress;
        p.title = title;
        int r = op(&p);
        if (p.show && p.last >= 0) std::fprintf(stderr, "\r%*s\r", 60, "");
        return r;
    }
    bool AskNewFileFormat() override { return true; }
    bool AskVoxSampleRate() override { return true; }
    bool AskConvertSampleRate(int32_t& rate) override {
        rate = nConvertRate;
        return true;
    }
    Answer Ask(const std::string&, bool) override { return kCancel; }
    bool AskOpenPath(std::string&) override { return false; }
    bool AskSavePath(std::string&) override { return false; }
    // The editor's error box: the first message of a step ends the run.
    void ShowError(const std::string& text) override {
        if (szError.empty()) szError = text;
    }
    std::string szError;
};

bool ParseInt(const std::string& s, int32_t& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    out = int32_t(v);
    return true;
}

// Milliseconds, or the editor's time text h:mm:ss.hh (any number of fraction digits).
bool ParseTime(const std::string& s, int32_t& ms) {
    if (s.find(':') == std::string::npos) return ParseInt(s, ms);
    unsigned h = 0, m = 0, sec = 0;
    char frac[16] = {};
    int n = std::sscanf(s.c_str(), "%u:%u:%u.%15[0-9]", &h, &m, &sec, frac);
    if (n < 3 || m > 59 || sec > 59) return false;
    std::string f = frac;
    while (f.size() < 3) f += '0';
    long long total = (long long)h * 3600000 + m * 60000 + sec * 1000 + std::atoi(f.substr(0, 3).c_str());
    if (total > INT32_MAX) return false;
    ms = int32_t(total);
    return true;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t c = s.find(',', start);
        parts.push_back(s.substr(start, c == std::string::npos ? std::string::npos : c - start));
        if (c == std::string::npos) break;
        start = c + 1;
    }
    return parts;
}

bool ParseMode(const std::string& s, LInsertMode& mode) {
    if (s == "begin") mode = kInsertAtBegin;
    else if (s == "current") mode = kInsertAtCurrent;
    else if (s == "end") mode = kInsertAtEnd;
    else return false;
    return true;
}

std::string OpenFailure(const std::string& path) {
    if (!LFile::Exists(path.c_str())) return "cannot open '" + path + "': no such file";
    std::string ext = FileExtension(path);
    if (!(SameText(ext, ".wav") || SameText(ext, ".mp3") || SameText(ext, ".gsm") || SameText(ext, ".vox")))
        return "cannot open '" + path + "': unknown file type '" + ext + "'";
    return "cannot open '" + path + "': not a readable " + ext.substr(1) + " file";
}

// The editor's own message when it gave one, otherwise the tool's.
std::string Reported(const CliHost& host, const std::string& fallback) {
    return host.szError.empty() ? fallback : host.szError;
}

// The run's private working folder in the system's temporary folder, made
// fresh under an unpredictable name (never an existing folder or link).
// Folders of earlier runs that were killed are cleared first.
bool MakeWorkFolder(std::string& folder) {
    const std::string tmp = TempFolder();
    for (const std::string& dead : DeadRunFolders(tmp, "sondrel-cli")) {
        RemoveLeftovers(dead, {});
        LFile::RemoveFolder(dead.c_str());  // only when nothing else is left in it
    }
    folder = MakeRunFolder(tmp, "sondrel-cli");
    if (folder.empty()) {
        LFailureNote note{LFile::LastError(), tmp, 0};
        std::fprintf(stderr, "sondrel-cli: cannot make a working folder in '%s': %s\n", tmp.c_str(),
                     FailureText(note).c_str());
        return false;
    }
    // Segment names must fit whole: a path cut short would mix up segments.
    if (JoinPathChecked(folder, "65534.aud").empty()) {
#ifdef _WIN32
        const char* variable = "TEMP";
#else
        const char* variable = "TMPDIR";
#endif
        std::fprintf(stderr, "sondrel-cli: cannot work in '%s': the path is too long (set %s to a shorter one)\n",
                     tmp.c_str(), variable);
        LFile::RemoveFolder(folder.c_str());
        return false;
    }
    return true;
}

void RemoveWorkFolder(const std::string& folder) {
    RemoveLeftovers(folder, {});
    LFile::RemoveFolder(folder.c_str());
}

struct Tool {
    CliHost host;
    LDocuments* docs = nullptr;
    std::string error;
    int code = 0;

    bool Err(const std::string& m, int c = 2) {
        error = m;
        code = c;
        return false;
    }
    bool Cancelled() { return gInterrupted ? Err("cancelled", 1) : true; }
    bool Refused(const LParamCheck& c) { return c.bOk ? true : Err(c.szMessage); }

    // Runs one step; consumes its arguments from args[i...].
    bool Step(const std::vector<std::string>& args, size_t& i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size() - 1) return Err(a + " needs a value");
            v = args[++i];
            return true;
        };
        LSDFile* d = docs->Current();
        std::string v;
        if (a == "--select") {
            if (!value(v)) return false;
            auto p = Split(v);
            int32_t s, e;
            if (p.size() != 2 || !ParseTime(p[0], s) || !ParseTime(p[1], e)) return Err("--select wants START,END");
            d->stSelStart.ms = s;
            d->stSelEnd.ms = e;
            return true;
        }
        if (a == "--position") {
            int32_t t;
            if (!value(v) || !ParseTime(v, t)) return error.empty() ? Err("--position wants a time") : false;
            d->stPosition.ms = t < 0 ? 0 : t;
            return true;
        }
        if (a == "--select-all") return CmSelectAll(*docs), true;
        if (a == "--cut") return Note(CmCut(*docs), a);
        if (a == "--copy") return Note(CmCopy(*docs), a);
        if (a == "--paste") return Note(CmPaste(*docs), a) && Cancelled();
        if (a == "--delete") return Note(CmClear(*docs), a);
        if (a == "--trim") return Note(CmTrim(*docs), a);
        if (a == "--trim-start") return Note(CmTrimStart(*docs), a);
        if (a == "--trim-end") return Note(CmTrimEnd(*docs), a);
        if (a == "--silence") return Note(CmEditSilence(*docs), a);
        if (a == "--copy-to-new") return Note(CmCopyToNew(*docs), a);
        if (a == "--undo") return Note(docs->CmUndo(), a);
        if (a == "--mono" || a == "--stereo") {
            docs->CmConvertChannel(a == "--mono" ? 1 : 2);
            return Cancelled();
        }
        if (a == "--rate") {
            int32_t hz;
            if (!value(v)) return false;
            if (!ParseInt(v, hz)) return Err("--rate wants a number");
            if (!Refused(CheckSampleRate(hz))) return false;
            host.nConvertRate = hz;
            docs->CmConvertSampleRate();
            return Cancelled();
        }
        if (a == "--amplify") {
            int32_t pct;
            if (!value(v)) return false;
            if (!ParseInt(v, pct)) return Err("--amplify wants a percentage");
            if (!Refused(CheckAmplifyGain(pct))) return false;
            return Note(CmAmplify(*docs, pct), a);
        }
        // Dynamics and speed effects on the selection.
        auto effect = [&](const std::function<bool()>& run) {
            if (!d->HasValidSelection()) return Note(false, a);
            if (run()) return true;
            return Cancelled() && Err(a + ": the operation failed");
        };
        if (a == "--compressor") {
            if (!value(v)) return false;
            auto p = Split(v);
            int32_t t, r, l;
            if (p.size() != 3 || !ParseInt(p[0], t) || !ParseInt(p[1], r) || !ParseInt(p[2], l))
                return Err("--compressor wants THRESHOLD_DB,RATIO_INDEX,LIMIT_DB");
            if (!Refused(CheckCompressorValues(t, r, l))) return false;
            return effect([&] { return CmCompressor(*docs, t, r, l); });
        }
        if (a == "--noise-reduction") {
            int32_t db;
            if (!value(v)) return false;
            if (!ParseInt(v, db)) return Err("--noise-reduction wants a level in dB");
            if (!Refused(CheckNoiseGateLevel(db))) return false;
            return effect([&] { return CmNoiseReduction(*docs, db); });
        }
        if (a == "--auto-gain") return effect([&] { return CmAutoGainControl(*docs); });
        if (a == "--speed-pitch" || a == "--tempo" || a == "--pitch") {
            const LSpeedPitchMode mode = a == "--tempo"   ? kSpeedPitchConstantPitch
                                         : a == "--pitch" ? kSpeedPitchConstantSpeed
                                                          : kSpeedPitchSimple;
            int32_t pct;
            if (!value(v)) return false;
            if (!ParseInt(v, pct)) return Err(a + " wants a percentage");
            if (!Refused(CheckSpeedChangePercent(pct))) return false;
            if (EffectiveSpeedPercent(pct) != pct)
                std::fprintf(stderr, "sondrel-cli: %s %d acts as %d%%\n", a.c_str(), pct, EffectiveSpeedPercent(pct));
            return effect([&] { return CmSpeedPitch(*docs, mode, pct); });
        }
        // End of the dynamics and speed effects.
        if (a == "--repeat") {
            int32_t n;
            if (!value(v)) return false;
            if (!ParseInt(v, n)) return Err("--repeat wants a count");
            return Note(CmRepeatLoop(*docs, n), a);
        }
        if (a == "--insert-silence" || a == "--insert-file") {
            if (!value(v)) return false;
            auto p = Split(v);
            LInsertMode mode = kInsertAtCurrent;
            if (p.size() > 2 || (p.size() == 2 && !ParseMode(p[1], mode)))
                return Err(a + " wants VALUE[,begin|current|end]");
            if (a == "--insert-silence") {
                int32_t ms;
                if (!ParseInt(p[0], ms)) return Err("--insert-silence wants milliseconds");
                return Note(CmInsertSilence(*docs, mode, ms), a);
            }
            if (!CmInsertFile(*docs, mode, p[0])) return Cancelled() && Err(OpenFailure(p[0]));
            return Cancelled();
        }
        // ---- effects on the selection
        if (a == "--normalize") {
            int32_t pct;
            if (!value(v)) return false;
            if (!ParseInt(v, pct)) return Err("--normalize wants a percentage");
            if (!Refused(CheckNormalizePeakLevel(pct))) return false;
            return Note(CmNormalize(*docs, pct), a) && Cancelled();
        }
        if (a == "--fade-in") return Note(CmFadeIn(*docs), a) && Cancelled();
        if (a == "--fade-out") return Note(CmFadeOut(*docs), a) && Cancelled();
        if (a == "--fade-out-trim") return Note(CmFadeOutAndTrim(*docs), a) && Cancelled();
        if (a == "--envelope" || a == "--equalizer") {
            PointList curve;
            if (!value(v)) return false;
            if (!ReadCurve(v, curve)) return false;
            return Note(a == "--envelope" ? CmEnvelope(*docs, curve) : CmEqualizer(*docs, curve), a) && Cancelled();
        }
        if (a == "--echo" || a == "--reverb") {
            if (!value(v)) return false;
            auto p = Split(v);
            int32_t x, y;
            if (p.size() != 2 || !ParseInt(p[0], x) || !ParseInt(p[1], y))
                return Err(a == "--echo" ? "--echo wants MS,PERCENT" : "--reverb wants LEVEL,MS");
            if (a == "--echo") {
                if (!Refused(CheckEcho(x, y))) return false;
                return Note(CmEcho(*docs, y, x), a) && Cancelled();
            }
            if (!Refused(CheckReverb(x, y))) return false;
            return Note(CmReverb(*docs, x, y), a) && Cancelled();
        }
        if (a == "--low-cut") {
            int32_t hz;
            if (!value(v)) return false;
            if (!ParseInt(v, hz)) return Err("--low-cut wants a frequency");
            return Note(CmLowCutFilter(*docs, hz), a) && Cancelled();
        }
        if (a == "--paste-mix" || a == "--mix-file") {
            if (!value(v)) return false;
            auto p = Split(v);
            const bool file = a == "--mix-file";
            const size_t first = file ? 1 : 0;
            int32_t volume, mode, fade = stored::FadeOutTime.nDefault;
            bool ok = file ? p.size() == 3 : (p.size() == 2 || p.size() == 3);
            ok = ok && ParseInt(p[first], volume) && ParseInt(p[first + 1], mode) && mode >= 0 && mode <= 2;
            if (ok && !file && p.size() == 3) ok = ParseInt(p[2], fade);
            if (!ok) return Err(file ? "--mix-file wants FILE,VOLUME,MODE (MODE 0, 1 or 2)"
                                     : "--paste-mix wants VOLUME,MODE[,FADE_MS] (MODE 0, 1 or 2)");
            if (!Refused(CheckMixVolume(volume))) return false;
            if (!file) return Note(CmPasteMix(*docs, volume, mode, fade), a) && Cancelled();
            if (!CmMixFile(*docs, p[0], volume, mode)) return Cancelled() && Err(OpenFailure(p[0]));
            return true;
        }
        if (a == "--auto-trim") return Note(CmAutoTrim(*docs), a) && Cancelled();
        // ---- end of effects on the selection
        return Err("unknown step '" + a + "' (see --help)");
    }
    // A curve file: the count byte, then up to 64 (x, y) pairs.
    bool ReadCurve(const std::string& path, PointList& curve) {
        std::vector<uint8_t> bytes;
        if (!LFile::ReadAll(path.c_str(), bytes) || bytes.empty()) return Err("cannot read curve '" + path + "'");
        curve = {};
        size_t complete = (bytes.size() - 1) / 2;
        curve.nPoints = uint8_t(std::min<size_t>({bytes[0], size_t(POINTLISTMAX), complete}));
        std::memcpy(curve.points, bytes.data() + 1, size_t(curve.nPoints) * 2);
        curve.Validate();
        if (curve.nPoints < 2) return Err("curve '" + path + "' needs at least two points");
        return true;
    }
    bool Note(bool did, const std::string& step) {
        if (!did && !gInterrupted) std::fprintf(stderr, "sondrel-cli: %s: nothing to do (no document or no selection)\n", step.c_str());
        return true;
    }
};

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool quiet = false;
    int32_t voxRate = 8000;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (args[i] == "--quiet") {
            quiet = true;
        } else if (args[i] == "--vox-rate" && i + 1 < args.size()) {
            int32_t r;
            if (!ParseInt(args[++i], r)) return std::fprintf(stderr, "sondrel-cli: --vox-rate wants a number\n"), 2;
            LParamCheck c = CheckSampleRate(r);
            if (!c.bOk) return std::fprintf(stderr, "sondrel-cli: %s\n", c.szMessage), 2;
            voxRate = r;
        } else {
            break;
        }
    }
    if (args.size() - i < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<std::string> rest(args.begin() + long(i), args.end());
    const std::string input = rest.front(), output = rest.back();

    LMemorySettings settings;
    SetSettingsStore(&settings);
    WriteBool("Settings", "VoxPromptSampleRate", false);
    WriteInt("Settings", "VoxDefaultSampleRate", voxRate);

    // Termination requests cancel like Ctrl-C: the run stops at the next
    // block, removes its working folder and leaves no partial OUTPUT.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt);
#endif
#ifdef SIGBREAK
    std::signal(SIGBREAK, OnInterrupt);
#endif
    std::string tankDir;
    if (!MakeWorkFolder(tankDir)) {
        SetSettingsStore(nullptr);
        return 2;
    }

    int code = 0;
    std::string message;
    {
        LCutTankScope tank(tankDir);
        Tool tool;
        tool.host.bShowProgress = !quiet && isatty(fileno(stderr));
        LDocuments docs(tool.host);
        tool.docs = &docs;
        if (!docs.AddFileToList(input, false)) {
            code = gInterrupted ? 1 : 2;
            message = gInterrupted ? "cancelled" : Reported(tool.host, OpenFailure(input));
        } else {
            CmSelectAll(docs);
            docs.Current()->stPosition.ms = 0;
            bool ok = true;
            for (size_t s = 1; ok && s + 1 < rest.size(); ++s) {
                tool.host.szError.clear();
                ok = tool.Step(rest, s);
                // A step the editor would have answered with an error box fails the run.
                if (ok && !tool.host.szError.empty() && !gInterrupted) ok = tool.Err(tool.host.szError);
            }
            if (!ok) {
                code = tool.code;
                message = tool.code == 2 ? Reported(tool.host, tool.error) : tool.error;
            } else {
                tool.host.szError.clear();
                LSDFile& d = *docs.Current();
                d.szFilePath = output;
                std::string ext = FileExtension(output);
                if (!(SameText(ext, ".wav") || SameText(ext, ".gsm") || SameText(ext, ".vox"))) {
                    code = 2;
                    message = "cannot write '" + output + "': unknown file type '" + ext + "'";
                } else if (!docs.CmSave()) {
                    code = gInterrupted ? 1 : 2;
                    message = gInterrupted ? "cancelled" : Reported(tool.host, "cannot write '" + output + "'");
                }
            }
        }
        docs.ReleaseAll();
    }
    RemoveWorkFolder(tankDir);
    SetSettingsStore(nullptr);
    if (code) std::fprintf(stderr, "sondrel-cli: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
