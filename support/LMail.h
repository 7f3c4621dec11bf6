// Mail: hands a saved file to the user's mail program as an attachment
// through Simple MAPI (MAPISendDocuments of "MAPI32.DLL", loaded for each
// call). The mail program composes the message; nothing else is filled in.
#pragma once
#include <cstdint>
#include <string>

namespace sondrel {

// What the mail sending needs from the system; the Windows edge loads the
// real library, tests use a double.
class LMailSystem {
public:
    virtual ~LMailSystem() = default;
    // The "MAPI" entry of the "Mail" section of the user's profile (WIN.INI),
    // "0" when absent, at most 5 characters.
    virtual std::string ProfileMapiEntry() = 0;
    // Loads the library; false when it cannot be loaded.
    virtual bool Load() = 0;
    // Looks up MAPISendDocuments in the loaded library.
    virtual bool FindSendDocuments() = 0;
    // Calls MAPISendDocuments with no parent window; returns its result.
    virtual uint32_t SendDocuments(const char* delimiter, const std::string& paths, const std::string& names) = 0;
    virtual void Unload() = 0;
};

enum class LMailResult {
    kSent,
    kNoMailSystem,   // the profile says Simple MAPI is not installed
    kNoLibrary,      // MAPI32.DLL cannot be loaded
    kNoFunction,     // it has no MAPISendDocuments
    kUserCancelled,  // the user closed the mail program's window (MAPI_USER_ABORT)
    kRefused,        // any other error from the mail program
};

// Simple MAPI's result codes that matter here.
constexpr uint32_t kMapiSuccess = 0;
constexpr uint32_t kMapiUserAbort = 1;

// The delimiter between names in MAPISendDocuments' lists. "|" cannot occur
// in a Windows path, so a path holding ";" (or any other character) reaches
// the mail program whole.
constexpr const char* kMapiDelimiter = "|";

// Sends the file at path (a saved file) to the mail program.
LMailResult SendMAPIDocument(LMailSystem& mail, const std::string& path);

// The message a user sees for a result; empty for kSent and kUserCancelled.
std::string MailResultText(LMailResult result, const std::string& fileName);

}  // namespace sondrel
