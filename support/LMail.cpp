#include "support/LMail.h"


namespace sondrel {

namespace {
std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

LMailResult SendMAPIDocument(LMailSystem& mail, const std::string& path) {
    if (mail.ProfileMapiEntry().find('1') == std::string::npos) return LMailResult::kNoMailSystem;
    std::string name = FileNameOf(path);
    if (!mail.Load()) return LMailResult::kNoLibrary;
    if (!mail.FindSendDocuments()) {
        mail.Unload();
        return LMailResult::kNoFunction;
    }
    uint32_t r = mail.SendDocuments(kMapiDelimiter, path, name);
    mail.Unload();
    if (r == kMapiSuccess) return LMailResult::kSent;
    return r == kMapiUserAbort ? LMailResult::kUserCancelled : LMailResult::kRefused;
}

std::string MailResultText(LMailResult result, const std::string& fileName) {
    switch (result) {
        case LMailResult::kSent:
        case LMailResult::kUserCancelled: return std::string();
        case LMailResult::kNoMailSystem:
            return "No mail program is set up to send files on this computer. Set up your mail program, then "
                   "choose Send again.";
        case LMailResult::kNoLibrary:
            return "The mail system library MAPI32.DLL could not be loaded, so \"" + fileName +
                   "\" was not sent. Check that your mail program is installed.";
        case LMailResult::kNoFunction:
            return "The mail system on this computer cannot send files (MAPI32.DLL has no MAPISendDocuments), so \"" +
                   fileName + "\" was not sent.";
        case LMailResult::kRefused: return "The mail program could not send \"" + fileName + "\".";
    }
    return std::string();
}

}  // namespace sondrel
