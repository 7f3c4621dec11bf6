#include "ui/LCrashRecovery.h"

namespace sondrel {

int LRecoveredDocuments::AddTo(LDocuments& docs, LCrashRecovery& journals) {
    if (!pRecovery) return 0;
    std::unique_ptr<LSessionRecovery> recovery = std::move(pRecovery);
    return recovery->Recover(docs, journals.Keeper());
}

LRecoveredDocuments AskToRecover(const std::string& folder,
                                 const std::function<LRecoveryChoice(const LRecoveryPrompt&)>& ask,
                                 const std::function<std::string(int64_t)>& formatTime) {
    if (folder.empty()) return LRecoveredDocuments();
    return LRecoveredDocuments(AskAboutLeftDocuments(folder, ask, formatTime));
}

}  // namespace sondrel
