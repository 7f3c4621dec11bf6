// The start-up question after a run that ended abnormally: which documents
// can be recovered (name, length, when last changed) and which cannot and
// why, and what the answer does. The Win32 dialog (ui/win32/LRecoveryDialog)
// shows a prompt and returns the user's choice.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/LSessionRecovery.h"

namespace sondrel {

constexpr char kRecoverCaption[] = "Recover Documents";
constexpr char kDiscardQuestion[] =
    "Discard the changes Sondrel kept? The documents cannot be recovered afterwards.";

struct LRecoveryRow {
    std::string szName;
    std::string szLength;   // "h:mm:ss.hh"
    std::string szChanged;  // as the time formatter gives it
    std::string szState;    // "Can be recovered" or "Cannot be recovered: <why>"
    bool bUsable = false;
};

struct LRecoveryPrompt {
    std::string szIntro;
    std::vector<LRecoveryRow> vRows;
    bool bCanRecover = false;  // at least one row can be recovered
};

enum class LRecoveryChoice { kRecover, kDiscard };

// The prompt for what the journals hold. formatTime turns seconds since
// 1970 (UTC) into the user's local date and time.
LRecoveryPrompt MakeRecoveryPrompt(const LSessionRecovery& recovery,
                                   const std::function<std::string(int64_t)>& formatTime);

// "YYYY-MM-DD HH:MM" in the local time zone.
std::string FormatLocalTime(int64_t seconds);

// Start-up, before leftovers are cleared and before the tank allocates:
// reads the journals in folder and, when there are any, asks. Returns what
// is to be recovered (Recover it once the tank over folder is current); null
// when nothing was left or the user discarded it (then it is deleted).
std::unique_ptr<LSessionRecovery> AskAboutLeftDocuments(
    const std::string& folder, const std::function<LRecoveryChoice(const LRecoveryPrompt&)>& ask,
    const std::function<std::string(int64_t)>& formatTime = FormatLocalTime);

}  // namespace sondrel
