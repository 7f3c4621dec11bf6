#include "ui/LRecoveryPrompt.h"

#include <ctime>

#include "core/LSoundTime.h"

namespace sondrel {

LRecoveryPrompt MakeRecoveryPrompt(const LSessionRecovery& recovery,
                                   const std::function<std::string(int64_t)>& formatTime) {
    LRecoveryPrompt p;
    for (const LRecoveryItem& item : recovery.Items()) {
        LRecoveryRow row;
        row.szName = item.DisplayName();
        row.bUsable = item.bUsable;
        if (item.bDecoded) {
            row.szLength = FormatPosition(LSoundTime(item.LengthMs()));
            row.szChanged = formatTime(item.record.nChangedTime);
        }
        row.szState = item.bUsable ? "Can be recovered" : "Cannot be recovered: " + item.szProblem;
        p.bCanRecover = p.bCanRecover || item.bUsable;
        p.vRows.push_back(std::move(row));
    }
    p.szIntro = p.bCanRecover
                    ? "Sondrel did not close properly the last time it ran. It kept the changes to these documents, "
                      "which can be recovered:"
                    : "Sondrel did not close properly the last time it ran. The changes it kept cannot be recovered:";
    return p;
}

std::string FormatLocalTime(int64_t seconds) {
    std::time_t t = std::time_t(seconds);
    std::tm* local = std::localtime(&t);
    if (!local) return std::string();
    char b[32];
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M", local);
    return b;
}

std::unique_ptr<LSessionRecovery> AskAboutLeftDocuments(
    const std::string& folder, const std::function<LRecoveryChoice(const LRecoveryPrompt&)>& ask,
    const std::function<std::string(int64_t)>& formatTime) {
    auto recovery = std::make_unique<LSessionRecovery>(folder);
    if (!recovery->Found()) return nullptr;
    LRecoveryPrompt prompt = MakeRecoveryPrompt(*recovery, formatTime);
    // With nothing usable the prompt only reports, and what was left goes.
    const LRecoveryChoice choice = ask(prompt);
    if (prompt.bCanRecover && choice == LRecoveryChoice::kRecover) return recovery;
    recovery->Discard();
    return nullptr;
}

}  // namespace sondrel
