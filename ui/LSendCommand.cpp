#include "ui/LSendCommand.h"

#include "document/LSDFile.h"

namespace sondrel {

bool CmSend(LDocuments& docs, LMailSystem& mail, const std::function<void(const std::string&)>& tell) {
    LSDFile* doc = docs.Current();
    if (!doc) return false;
    LDocumentHost& host = docs.Host();
    host.StopPlayback();
    if (doc->szFilePath.empty()) {
        // Nothing on disk to attach: save it first.
        if (!docs.SaveDocumentAs(*doc) || doc->bDirty) return false;
    } else if (doc->bDirty) {
        switch (host.Ask("Save changes to \"" + doc->DisplayName() + "\"?", true)) {
            case LDocumentHost::kCancel: return false;
            case LDocumentHost::kNo: break;
            case LDocumentHost::kYes:
                if (!docs.SaveDocument(*doc) || doc->bDirty) return false;
                break;
        }
    }
    const std::string path = doc->szFilePath;
    std::string name = FileNamePart(path);
    LMailResult r = SendMAPIDocument(mail, path);
    std::string text = MailResultText(r, name);
    if (!text.empty()) tell(text);
    return r == LMailResult::kSent;
}

}  // namespace sondrel
