// "Send..." (IDM_SEND): mails the current document's file as an
// attachment. The file on disk is what is sent, so a modified document is
// offered for saving first and a document never saved is saved first.
#pragma once
#include <functional>
#include <string>

#include "document/LDocuments.h"
#include "support/LMail.h"

namespace sondrel {

// Does nothing without a current document. Stops playback; a document that
// has no file yet goes through Save As, a modified one through "Save changes
// to ...?" (Cancel, or a save that fails, sends nothing; No sends the file as
// it is on disk). Then mails the file; tell shows the reason when the mail
// could not be handed over. True when the mail program accepted the file.
bool CmSend(LDocuments& docs, LMailSystem& mail, const std::function<void(const std::string&)>& tell);

}  // namespace sondrel
