// sondrel-cli: batch editing on the editor's own document operations.
//   sondrel-cli [--quiet] [--vox-rate HZ] INPUT [STEP ...] OUTPUT
// Exit codes: 0 done, 1 cancelled (Ctrl-C, termination), 2 error. The effect steps, their
// arguments, checks and help lines come from the effect table; the steps
// below are the selection, the edits without parameters and the conversions.
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
#include "document/LSDLoadFile.h"
#include "effects/LEffectRunner.h"
#include "effects/LEffectTable.h"
#include "effects/PointList.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#ifdef _WIN32
#include "formats/win32/LPlatformReaders.h"
#endif

using namespace sondrel;

namespace {

std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted = true; }

class CliHost : public LDocumentHost {
public:
    bool bShowProgress = false;
    int32_t nConvertRate = 0;
    std::string szLastError;  // what an operation reported with ShowError

    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& op) override {
        struct P : LProgress {
            bool show;
            std::string title;
            std::string* error;
            int last = -1;
            bool IsCancelled() override { return gInterrupted.load(); }
            // The dialog's message box text, on one line.
            void ShowError(const char* text) override {
                error->clear();
                for (const char* c = text; *c; ++c) {
                    bool br = *c == '\r' || *c == '\n';
                    if (!br) *error += *c;
                    else if (!error->empty() && error->back() != ' ') *error += ' ';
                }
            }
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
        p.error = &szLastError;
        LProcessResult r = op(&p);
        if (p.show && p.last >= 0) std::fprintf(stderr, "\r%*s\r", 60, "");
        return r;
    }
    bool AskNewFileFormat() override { return true; }
    bool AskVoxSampleRate() override { return true; }
    bool AskConvertSampleRate(int32_t& rate) override {
        rate = nConvertRate;
        return true;
    }
    // A question the editor would ask (saving over a file that holds more
    // than the document) is answered No; it is the run's message.
    Answer Ask(const std::string& text, bool) override {
        if (szError.empty()) szError = text;
        return kCancel;
    }
    // What the editor tells in an information box goes to stderr (also
    // with --quiet, which leaves out the progress only).
    void ShowNotice(const std::string& text) override { std::fprintf(stderr, "sondrel-cli: %s\n", text.c_str()); }
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
    if (!IsOpenType(ext))
        return "cannot open '" + path + "': unknown file type '" + ext + "'";
    return "cannot open '" + path + "': not a readable " + ext.substr(1) + " file";
}

// The editor's own message when it gave one (its error box, or an
// operation's such as the MP3 encoder's failure), otherwise the tool's.
std::string Reported(const CliHost& host, const std::string& fallback) {
    if (!host.szError.empty()) return host.szError;
    return host.szLastError.empty() ? fallback : host.szLastError;
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

struct OwnStepDesc;

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
    bool Step(const std::vector<std::string>& args, size_t& i);
    bool EffectStep(const std::string& step, const std::string& value);
    bool ParseEffectArgs(const std::string& step, const std::string& value, const LEffectDesc*& fx,
                         LEffectValues& values);

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

// ------------------------------------------------------------- the tool's own steps

enum Section { kSelectionSteps, kEditSteps, kEffectSteps, kConversionSteps };

// The steps that are not in the effect table: selection, the edits without
// parameters, and the conversions.
struct OwnStepDesc {
    const char* szStep;
    const char* szSyntax;  // empty: no value
    Section section;
    const char* szHelp;
    bool (*pfn)(Tool& t, const std::string& step, const std::string& value);
};

bool Edit(Tool& t, const std::string& step, bool (*command)(LDocuments&)) { return t.Note(command(*t.docs), step); }

const OwnStepDesc kOwnSteps[] = {
    {"--select", "START,END", kSelectionSteps, "select a range",
     [](Tool& t, const std::string&, const std::string& v) {
         auto p = Split(v);
         int32_t s, e;
         if (p.size() != 2 || !ParseTime(p[0], s) || !ParseTime(p[1], e)) return t.Err("--select wants START,END");
         t.docs->Current()->stSelStart.ms = s;
         t.docs->Current()->stSelEnd.ms = e;
         return true;
     }},
    {"--select-all", "", kSelectionSteps, "select the whole file",
     [](Tool& t, const std::string&, const std::string&) { return CmSelectAll(*t.docs), true; }},
    {"--position", "T", kSelectionSteps, "move the position (insert point, trim point)",
     [](Tool& t, const std::string&, const std::string& v) {
         int32_t ms;
         if (!ParseTime(v, ms)) return t.Err("--position wants a time");
         t.docs->Current()->stPosition.ms = ms < 0 ? 0 : ms;
         return true;
     }},
    {"--cut", "", kEditSteps, "cut the selection into the clipboard",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmCut); }},
    {"--copy", "", kEditSteps, "copy the selection into the clipboard",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmCopy); }},
    {"--paste", "", kEditSteps, "paste the clipboard over the selection",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmPaste) && t.Cancelled(); }},
    {"--delete", "", kEditSteps, "delete the selection",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmClear); }},
    {"--trim", "", kEditSteps, "keep only the selection",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmTrim); }},
    {"--trim-start", "", kEditSteps, "delete before the position",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmTrimStart); }},
    {"--trim-end", "", kEditSteps, "delete after the position",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmTrimEnd); }},
    {"--silence", "", kEditSteps, "silence the selection",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmEditSilence); }},
    {"--insert-file", "FILE[,begin|current|end]", kEditSteps, "(default current)",
     [](Tool& t, const std::string& a, const std::string& v) {
         auto p = Split(v);
         LInsertMode mode = kInsertAtCurrent;
         if (p.size() > 2 || (p.size() == 2 && !ParseMode(p[1], mode)))
             return t.Err(a + " wants VALUE[,begin|current|end]");
         if (!CmInsertFile(*t.docs, mode, p[0])) return t.Cancelled() && t.Err(OpenFailure(p[0]));
         return t.Cancelled();
     }},
    {"--copy-to-new", "", kEditSteps, "continue on a new document holding the selection",
     [](Tool& t, const std::string& a, const std::string&) { return Edit(t, a, CmCopyToNew); }},
    {"--undo", "", kEditSteps, "undo the last edit (eight steps deep)",
     [](Tool& t, const std::string& a, const std::string&) { return t.Note(t.docs->CmUndo(), a); }},
    {"--rate", "HZ", kConversionSteps, "6000..96000",
     [](Tool& t, const std::string&, const std::string& v) {
         int32_t hz;
         if (!ParseInt(v, hz)) return t.Err("--rate wants a number");
         if (!t.Refused(CheckSampleRate(hz))) return false;
         t.host.nConvertRate = hz;
         t.docs->CmConvertSampleRate();
         return t.Cancelled();
     }},
    {"--mono", "", kConversionSteps, "one channel",
     [](Tool& t, const std::string&, const std::string&) { return t.docs->CmConvertChannel(1), t.Cancelled(); }},
    {"--stereo", "", kConversionSteps, "two channels",
     [](Tool& t, const std::string&, const std::string&) { return t.docs->CmConvertChannel(2), t.Cancelled(); }},
};

// ------------------------------------------------------------- steps

bool Tool::Step(const std::vector<std::string>& args, size_t& i) {
    const std::string& a = args[i];
    const OwnStepDesc* own = nullptr;
    for (const OwnStepDesc& s : kOwnSteps)
        if (a == s.szStep) own = &s;
    const LEffectDesc* fx = nullptr;
    for (const LEffectDesc& e : kEffects)
        if (!fx && a == e.szStep) fx = &e;
    if (!own && !fx) return Err("unknown step '" + a + "' (see --help)");
    std::string value;
    if (*(own ? own->szSyntax : fx->szSyntax)) {
        if (i + 1 >= args.size() - 1) return Err(a + " needs a value");  // the last argument is OUTPUT
        value = args[++i];
    }
    return own ? own->pfn(*this, a, value) : EffectStep(a, value);
}

// The arguments of an effect step by the record's syntax: "MS,PERCENT" gives
// the first two parameters, FILE the path, CURVEFILE the curve, a
// word|word token picks among the records sharing the step, and a [,...]
// tail may be left out.
bool Tool::ParseEffectArgs(const std::string& step, const std::string& value, const LEffectDesc*& fx,
                           LEffectValues& values) {
    std::vector<const LEffectDesc*> records;
    for (const LEffectDesc& e : kEffects)
        if (step == e.szStep) records.push_back(&e);
    fx = records.front();
    for (const LEffectDesc* r : records)
        if (r->bDefaultVariant) fx = r;

    std::string syntax = fx->szSyntax;
    if (syntax.empty()) return true;
    std::string bare = syntax;
    bare.erase(std::remove_if(bare.begin(), bare.end(), [](char c) { return c == '[' || c == ']'; }), bare.end());
    const std::vector<std::string> tokens = Split(bare);
    // The arguments from the one after "[," on may be left out.
    size_t firstOptional = tokens.size();
    if (size_t b = syntax.find("[,"); b != std::string::npos)
        firstOptional = size_t(std::count(syntax.begin(), syntax.begin() + long(b), ',')) + 1;

    // A lone argument is taken whole, so that a path may hold commas.
    std::vector<std::string> parts = tokens.size() == 1 ? std::vector<std::string>{value} : Split(value);
    size_t variant = std::string::npos;
    for (size_t t = 0; t < tokens.size(); ++t)
        if (tokens[t].find('|') != std::string::npos) variant = t;
    const std::string wants = step + " wants " + fx->szWants;
    auto wrongShape = [&] {
        return variant == std::string::npos ? Err(wants) : Err(step + " wants VALUE[," + tokens[variant] + "]");
    };
    if (parts.size() < firstOptional || parts.size() > tokens.size()) return wrongShape();
    if (variant < parts.size()) {
        const LEffectDesc* chosen = nullptr;
        for (const LEffectDesc* r : records)
            if (r->szVariantWord && parts[variant] == r->szVariantWord) chosen = r;
        if (!chosen) return wrongShape();
        fx = chosen;
    }

    for (size_t k = 0; k < fx->params.size(); ++k) values.v[k] = fx->params[k].stored.nDefault;
    size_t param = 0;
    for (size_t t = 0; t < parts.size(); ++t) {
        if (t == variant) continue;
        if (tokens[t] == "FILE") {
            values.szPath = parts[t];
        } else if (tokens[t] == "CURVEFILE") {
            if (!ReadCurve(parts[t], values.curve)) return false;
        } else {
            int32_t x;
            if (!ParseInt(parts[t], x) || param >= fx->params.size()) return Err(wants);
            const LEffectParam& p = fx->params[param];
            // A choice outside the control's own (a radio button that does not exist) is a wrong argument.
            if (!p.szRangeMessage && (x < p.nMin || x > p.nMax)) return Err(wants);
            values.v[param++] = x;
        }
    }
    return true;
}

bool Tool::EffectStep(const std::string& step, const std::string& value) {
    const LEffectDesc* fx = nullptr;
    LEffectValues values;
    if (!ParseEffectArgs(step, value, fx, values)) return false;
    if (!Refused(CheckEffectValues(*fx, values))) return false;
    for (size_t k = 0; k < fx->params.size(); ++k) {
        const int32_t floor = fx->params[k].nActsAtLeast;
        if (values[int(k)] < floor)
            std::fprintf(stderr, "sondrel-cli: %s %d acts as %d%%\n", step.c_str(), values[int(k)], floor);
    }
    switch (RunEffectCommand(*docs, *fx, values)) {
        case LCommandResult::kDone:
            return Cancelled();
        case LCommandResult::kNothingToDo:
            return Note(false, step) && Cancelled();
        case LCommandResult::kNotLoaded:
            return Cancelled() && Err(OpenFailure(values.szPath));
        case LCommandResult::kCancelled:
            return Err("cancelled", 1);
        case LCommandResult::kRefused:
        case LCommandResult::kFailed:
            break;
    }
    return Cancelled() && Err(step + ": the operation failed");
}

// ------------------------------------------------------------- --help

// "  --step SYNTAX" in a column of 28, then the text; "\n" in the text
// continues it under itself.
void HelpLine(std::string& out, const std::string& step, const std::string& syntax, const std::string& text) {
    std::string left = "  " + step + (syntax.empty() ? "" : " " + syntax);
    out += left.size() < 30 ? left + std::string(30 - left.size(), ' ') : left + "   ";
    for (char c : text) out += c == '\n' ? "\n" + std::string(30, ' ') : std::string(1, c);
    out += '\n';
}

std::string Usage() {
    std::string u =
        "usage: sondrel-cli [--quiet] [--vox-rate HZ] INPUT [STEP ...] OUTPUT\n"
        "\n"
        "Opens INPUT as the editor does (by extension: .wav .mp3 .gsm .vox .flac .ogg .opus), selects the\n"
        "whole file with the position at 0, runs the steps in order as the editor's commands do, and saves\n"
        "OUTPUT by its extension (.wav as 16-bit PCM, .gsm, .vox, .flac, .ogg as Ogg Vorbis, .opus at\n"
        "48000 Hz, .mp3 through the LAME encoder \"lame\" on the PATH); the encoders' options are the\n"
        "editor's settings.\n"
        "Times are milliseconds or h:mm:ss.hh.\n"
        "\n";
    const struct {
        Section section;
        const char* title;
    } sections[] = {{kSelectionSteps, "Selection and position:"},
                    {kEditSteps, "Edits:"},
                    {kEffectSteps, "Effects on the selection:"},
                    {kConversionSteps, "Conversion:"}};
    for (const auto& sec : sections) {
        u += sec.title;
        u += '\n';
        for (const OwnStepDesc& s : kOwnSteps)
            if (s.section == sec.section) HelpLine(u, s.szStep, s.szSyntax, s.szHelp);
        // Edit menu records among the edits, Effects menu records as effects;
        // the records sharing a step are one line.
        std::vector<std::string> listed;
        for (const LEffectDesc& fx : kEffects) {
            const Section s = fx.eMenu == LEffectMenu::kEffects ? kEffectSteps : kEditSteps;
            if (s != sec.section || std::find(listed.begin(), listed.end(), fx.szStep) != listed.end()) continue;
            listed.push_back(fx.szStep);
            HelpLine(u, fx.szStep, fx.szSyntax, fx.szHelp);
        }
    }
    u += "\n"
         "--vox-rate HZ gives the rate of a .vox INPUT or inserted file (default 8000).\n"
         "Exit codes: 0 done, 1 cancelled by Ctrl-C or a termination signal (no OUTPUT is left),\n"
         "2 error (the message names the file and the cause; an OUTPUT that was there is kept).\n";
    return u;
}

// The options before INPUT: --help (0: done), --quiet, --vox-rate. False
// with the exit code when the run ends here.
bool ReadOptions(const std::vector<std::string>& args, size_t& i, bool& quiet, int32_t& voxRate, int& exitCode) {
    for (; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(Usage().c_str(), stdout);
            exitCode = 0;
            return false;
        }
        if (args[i] == "--quiet") {
            quiet = true;
        } else if (args[i] == "--vox-rate" && i + 1 < args.size()) {
            int32_t r;
            if (!ParseInt(args[++i], r)) {
                std::fprintf(stderr, "sondrel-cli: --vox-rate wants a number\n");
                exitCode = 2;
                return false;
            }
            LParamCheck c = CheckSampleRate(r);
            if (!c.bOk) {
                std::fprintf(stderr, "sondrel-cli: %s\n", c.szMessage);
                exitCode = 2;
                return false;
            }
            voxRate = r;
        } else {
            break;
        }
    }
    if (args.size() - i < 2) {
        std::fputs(Usage().c_str(), stderr);
        exitCode = 2;
        return false;
    }
    return true;
}

// Termination requests cancel like Ctrl-C: the run stops at the next block,
// removes its working folder and leaves no partial OUTPUT.
void CancelOnSignals() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt);
#endif
#ifdef SIGBREAK
    std::signal(SIGBREAK, OnInterrupt);
#endif
}

// Saves the current document as output by its extension; the exit code,
// with its message.
int SaveOutput(Tool& tool, LDocuments& docs, const std::string& output, std::string& message) {
    tool.host.szError.clear();
    tool.host.szLastError.clear();
    LSDFile& d = *docs.Current();
    d.szFilePath = output;
    std::string ext = FileExtension(output);
    if (!(IsDirectSaveType(ext) || SameText(ext, ".mp3"))) {
        message = "cannot write '" + output + "': unknown file type '" + ext + "'";
        return 2;
    }
    if (docs.CmSave()) return 0;
    message = gInterrupted ? "cancelled" : Reported(tool.host, "cannot write '" + output + "'");
    return gInterrupted ? 1 : 2;
}

// Opens INPUT (rest.front()), runs the steps between it and OUTPUT
// (rest.back()) and saves; the exit code, with its message.
int Edit(const std::vector<std::string>& rest, bool quiet, std::string& message) {
    const std::string input = rest.front(), output = rest.back();
    Tool tool;
    tool.host.bShowProgress = !quiet && isatty(fileno(stderr));
    LDocuments docs(tool.host);
    // A batch has only --undo: the eight steps it always had, and no more
    // of its working folder held for them.
    docs.SetHistoryLimits({kMinUndoLevels, uint64_t(1) << 50});
    tool.docs = &docs;
    int code = 0;
    bool opened = false;
    if (rest.size() == 2 && LDocuments::ConvertsWithoutDocument(input, output)) {
        // Nothing to edit: the file goes from its reader into the writer,
        // with no copy in the working folder.
        LProcessResult r = docs.ConvertFile(input, output, &opened);
        if (r != kProcessDone) {
            code = gInterrupted || r == kProcessCancelled ? 1 : 2;
            message = code == 1   ? "cancelled"
                      : opened    ? Reported(tool.host, "cannot write '" + output + "'")
                                  : Reported(tool.host, OpenFailure(input));
        }
    } else if (!docs.AddFileToList(input, false)) {
        code = gInterrupted ? 1 : 2;
        message = gInterrupted ? "cancelled" : Reported(tool.host, OpenFailure(input));
    } else {
        CmSelectAll(docs);
        docs.Current()->stPosition.ms = 0;
        bool ok = true;
        for (size_t s = 1; ok && s + 1 < rest.size(); ++s) {
            tool.host.szError.clear();
            tool.host.szLastError.clear();
            ok = tool.Step(rest, s);
            // A step the editor would have answered with an error box fails the run.
            if (ok && !tool.host.szError.empty() && !gInterrupted) ok = tool.Err(tool.host.szError);
        }
        if (!ok) {
            code = tool.code;
            message = tool.code == 2 ? Reported(tool.host, tool.error) : tool.error;
        } else {
            code = SaveOutput(tool, docs, output, message);
        }
    }
    docs.ReleaseAll();
    return code;
}

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool quiet = false;
    int32_t voxRate = 8000;
    size_t i = 0;
    int code = 0;
    if (!ReadOptions(args, i, quiet, voxRate, code)) return code;
    std::vector<std::string> rest(args.begin() + long(i), args.end());

#ifdef _WIN32
    InstallPlatformReaders();  // the system codecs, RealAudio and lame.exe, as the editor has them
#endif
    LMemorySettings settings;
    SetSettingsStore(&settings);
    WriteBool("Settings", "VoxPromptSampleRate", false);
    WriteInt("Settings", "VoxDefaultSampleRate", voxRate);
    CancelOnSignals();
    std::string tankDir;
    if (!MakeWorkFolder(tankDir)) {
        SetSettingsStore(nullptr);
        return 2;
    }

    std::string message;
    {
        LCutTankScope tank(tankDir);
        code = Edit(rest, quiet, message);
    }
    RemoveWorkFolder(tankDir);
    SetSettingsStore(nullptr);
    if (code) std::fprintf(stderr, "sondrel-cli: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
